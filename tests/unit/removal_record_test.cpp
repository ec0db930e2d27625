// What the uninstaller is told to remove: files as they are, each folder once whatever its
// spelling, registry values by their full path, never a drive's root; each path in the narrow
// form Uninstall.DAT stores.
#include <gtest/gtest.h>

#include "files/removal_record.h"

namespace qs {
namespace {

TEST(RemovalRecord, FilesAndFolders) {
  std::string list;
  std::set<std::u16string> folders;
  RecordForRemoval(list, folders, u"C:\\Product\\a.txt", RemovalEntry::kFile);
  // Files are not merged.
  RecordForRemoval(list, folders, u"C:\\Product\\a.txt", RemovalEntry::kFile);
  RecordForRemoval(list, folders, u"C:\\Product\\Docs", RemovalEntry::kFolder);
  RecordForRemoval(list, folders, u"c:\\product\\DOCS\\", RemovalEntry::kFolder);
  RecordForRemoval(list, folders, u"C:/Product/docs", RemovalEntry::kFolder);
  RecordForRemoval(list, folders, u"C:\\Product\\Docs\\Old", RemovalEntry::kFolder);
  RecordForRemoval(list, folders, u"C:\\", RemovalEntry::kFolder);
  RecordForRemoval(list, folders, u"D:\\", RemovalEntry::kFile);
  RecordForRemoval(list, folders, u"a.b", RemovalEntry::kFile);
  RecordForRemoval(list, folders, u"C:\\Pr\u00f6dukt", RemovalEntry::kFolder);
  RecordForRemoval(list, folders, u"C:\\PR\u00f6DUKT", RemovalEntry::kFolder);
  RecordForRemoval(list, folders, u"HKLM\\Software\\P\\Dir", RemovalEntry::kRegistryValue);
  RecordForRemoval(list, folders, u"HKCU\\S\u00f6\\V", RemovalEntry::kRegistryValue);
  EXPECT_EQ(list,
            "C:\\Product\\a.txt\r\n"
            "C:\\Product\\a.txt\r\n"
            "~C:\\Product\\Docs\r\n"
            "~C:\\Product\\Docs\\Old\r\n"
            "~|C:\\Pr\xc3\xb6"
            "dukt\r\n"
            "!HKLM\\Software\\P\\Dir\r\n"
            "!|HKCU\\S\xc3\xb6"
            "\\V\r\n");
}

}  // namespace
}  // namespace qs
