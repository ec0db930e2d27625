// What the uninstaller is told to remove: files as they are, each folder once whatever its
// spelling, and never a drive's root.
#include <gtest/gtest.h>

#include "files/removal_record.h"

namespace qs {
namespace {

TEST(RemovalRecord, FilesAndFolders) {
  std::string list;
  std::set<std::string> folders;
  RecordForRemoval(list, folders, "C:\\Product\\a.txt", RemovalEntry::kFile);
  // Files are not merged.
  RecordForRemoval(list, folders, "C:\\Product\\a.txt", RemovalEntry::kFile);
  RecordForRemoval(list, folders, "C:\\Product\\Docs", RemovalEntry::kFolder);
  RecordForRemoval(list, folders, "c:\\product\\DOCS\\", RemovalEntry::kFolder);
  RecordForRemoval(list, folders, "C:/Product/docs", RemovalEntry::kFolder);
  RecordForRemoval(list, folders, "C:\\Product\\Docs\\Old", RemovalEntry::kFolder);
  RecordForRemoval(list, folders, "C:\\", RemovalEntry::kFolder);
  RecordForRemoval(list, folders, "D:\\", RemovalEntry::kFile);
  RecordForRemoval(list, folders, "a.b", RemovalEntry::kFile);
  RecordForRemoval(list, folders,
                   "|C:\\Pr\xc3\xb6"
                   "dukt",
                   RemovalEntry::kFolder);
  EXPECT_EQ(list,
            "C:\\Product\\a.txt\r\n"
            "C:\\Product\\a.txt\r\n"
            "~C:\\Product\\Docs\r\n"
            "~C:\\Product\\Docs\\Old\r\n"
            "~|C:\\Pr\xc3\xb6"
            "dukt\r\n");
}

}  // namespace
}  // namespace qs
