// What the uninstaller is told to remove: files as they are, each folder once whatever its
// spelling, and never a drive's root.
#include <gtest/gtest.h>

#include "files/removal_record.h"

namespace qs {
namespace {

TEST(RemovalRecord, FilesAndFolders) {
  InstallRun run;
  RecordForRemoval(run, "C:\\Product\\a.txt", RemovalEntry::kFile);
  RecordForRemoval(run, "C:\\Product\\a.txt", RemovalEntry::kFile);  // files are not merged
  RecordForRemoval(run, "C:\\Product\\Docs", RemovalEntry::kFolder);
  RecordForRemoval(run, "c:\\product\\DOCS\\", RemovalEntry::kFolder);
  RecordForRemoval(run, "C:/Product/docs", RemovalEntry::kFolder);
  RecordForRemoval(run, "C:\\Product\\Docs\\Old", RemovalEntry::kFolder);
  RecordForRemoval(run, "C:\\", RemovalEntry::kFolder);
  RecordForRemoval(run, "D:\\", RemovalEntry::kFile);
  RecordForRemoval(run, "a.b", RemovalEntry::kFile);
  RecordForRemoval(run,
                   "|C:\\Pr\xc3\xb6"
                   "dukt",
                   RemovalEntry::kFolder);
  EXPECT_EQ(run.removalList,
            "C:\\Product\\a.txt\r\n"
            "C:\\Product\\a.txt\r\n"
            "~C:\\Product\\Docs\r\n"
            "~C:\\Product\\Docs\\Old\r\n"
            "~|C:\\Pr\xc3\xb6"
            "dukt\r\n");
}

}  // namespace
}  // namespace qs
