// The installation folder's checks with the drives of a real (Wine) system, the folder they
// accept with its test file, and the removal of folders left empty. Everything runs inside the
// test process (the exit in a child of it); no case here shows a message.
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>

#include "base/text_win.h"
#include "core/directory_checks_win.h"
#include "core/exit_win.h"
#include "core/product_win.h"
#include "harness_win.h"
#include "integration/shell_folders_win.h"

namespace qs::systest {
namespace {

namespace fs = std::filesystem;

class DirectoryChecks : public SystemTest {
 protected:
  static std::u16string U16(const fs::path& path) { return std::u16string(AsU16(path.wstring())); }

  static size_t EntryCount(const fs::path& folder) {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++count;
    return count;
  }
};

// A drive letter the system does not have.
std::u16string MissingDrive() {
  const DWORD drives = ::GetLogicalDrives();
  for (char16_t letter = u'Y'; letter > u'C'; --letter) {
    if ((drives & (1u << (letter - u'A'))) == 0) return std::u16string(1, letter) + u":";
  }
  return {};
}

TEST_F(DirectoryChecks, RealDrivesDecideTheFolderChecks) {
  const SystemDriveFacts drives;
  ASSERT_EQ(drives.TypeOfDrive(u"C:\\"), DriveType::kFixed);
  const std::optional<uint64_t> free = drives.FreeSpace(u"C:\\");
  ASSERT_TRUE(free.has_value());
  EXPECT_GT(*free, 0u);
  EXPECT_GT(drives.ClusterSize(u"C:\\"), 0u);

  const std::u16string missing = MissingDrive();
  ASSERT_FALSE(missing.empty());
  const std::u16string programFiles = std::u16string(AsU16(ProgramsDir()));

  struct Case {
    const char* name;
    std::u16string directory;
    uint64_t requiredSpace;
    DirectoryProblem problem;
    std::u16string argument;
  };
  const Case cases[] = {
      {"MissingDrive", missing + u"\\Apps", 0, DirectoryProblem::kNoSuchDrive, missing},
      {"DriveRoot", u"C:\\", 0, DirectoryProblem::kTooShort, u""},
      {"ProgramFilesItself", programFiles + u"\\", 0, DirectoryProblem::kProgramFiles,
       programFiles},
      {"NewFolder", U16(Folder() / "New Folder" / "Nested"), 0, DirectoryProblem::kNone, u""},
      {"InsideProgramFiles", programFiles + u"\\Product", 0, DirectoryProblem::kNone, u""},
      {"MoreThanTheDriveHolds", U16(Folder() / "Big"), std::numeric_limits<uint64_t>::max(),
       DirectoryProblem::kLowDiskSpace, u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DirectoryRuleOptions options;
    options.requiredSpace = c.requiredSpace;
    const DirectoryVerdict verdict = CheckInstallDirectory(c.directory, options, drives);
    EXPECT_EQ(verdict.problem, c.problem);
    EXPECT_EQ(WideToUtf8(AsWide(verdict.argument)), WideToUtf8(AsWide(c.argument)));
  }
}

TEST_F(DirectoryChecks, AcceptedFolderIsMadeAndHoldsTheTestFileUntilThePageIsLeft) {
  Product().ProductFlags = 0;  // no confirmation question
  InstallRun run;
  run.previousInstallExists = true;  // no space question either
  const fs::path folder = Folder() / "Vendor" / "Product";

  ASSERT_TRUE(AcceptInstallDirectory(folder.u16string(), run));
  ASSERT_TRUE(fs::is_directory(folder));
  EXPECT_EQ(EntryCount(folder), 1u);

  // Checking the folder again replaces the test file instead of adding one.
  ASSERT_TRUE(AcceptInstallDirectory(folder.u16string() + u"\\", run));
  EXPECT_EQ(EntryCount(folder), 1u);

  DeleteDirectoryTestFile();
  EXPECT_EQ(EntryCount(folder), 0u);
}

// A run that ends before the page is left takes the test file with it: the exit deletes it.
// The exit ends the process, so it happens in a child that repeats this test up to the
// statement; the folder has a fixed name for both.
TEST(DirectoryChecksDeathTest, ExitDeletesTheTestFile) {
  wchar_t temp[MAX_PATH + 1] = {};
  ASSERT_NE(::GetTempPathW(MAX_PATH + 1, temp), 0u);
  const fs::path folder = fs::path(temp) / "quillonet-tests" / "DirectoryChecksDeathTest";
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  EXPECT_EXIT(
      {
        Product().ProductFlags = 0;
        InstallRun run;
        run.previousInstallExists = true;
        if (AcceptInstallDirectory(folder.u16string(), run)) ExitInstaller(3);
      },
      ::testing::ExitedWithCode(3), "");
  ASSERT_TRUE(fs::is_directory(folder));
  EXPECT_TRUE(fs::is_empty(folder));
  fs::remove_all(folder, ignored);
}

TEST_F(DirectoryChecks, EmptyFolderIsRemovedWithTheShellsLeftovers) {
  auto makeFile = [](const fs::path& path, DWORD attributes) {
    HANDLE file =
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path.string();
    ::CloseHandle(file);
  };
  constexpr DWORD kShellFileAttributes =
      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY;

  const fs::path leftovers = Folder() / "Leftovers";
  fs::create_directories(leftovers);
  makeFile(leftovers / "desktop.ini", kShellFileAttributes);
  makeFile(leftovers / "Thumbs.db", kShellFileAttributes);

  const fs::path withFile = Folder() / "With File";
  fs::create_directories(withFile);
  makeFile(withFile / "desktop.ini", kShellFileAttributes);
  makeFile(withFile / "settings.cfg", FILE_ATTRIBUTE_NORMAL);

  const fs::path withFolder = Folder() / "With Folder";
  fs::create_directories(withFolder / "data");

  const fs::path empty = Folder() / "Empty";
  fs::create_directories(empty);

  RemoveDirectoryIfEmpty(leftovers.u16string());
  RemoveDirectoryIfEmpty(withFile.u16string());
  RemoveDirectoryIfEmpty(withFolder.u16string());
  RemoveDirectoryIfEmpty(empty.u16string() + u"\\");
  RemoveDirectoryIfEmpty((Folder() / "Never Made").u16string());

  EXPECT_FALSE(fs::exists(leftovers));
  // Something else inside: the folder and the shell's file both stay.
  EXPECT_TRUE(fs::exists(withFile / "desktop.ini"));
  EXPECT_TRUE(fs::exists(withFile / "settings.cfg"));
  EXPECT_TRUE(fs::exists(withFolder / "data"));
  EXPECT_FALSE(fs::exists(empty));

  // Paths shorter than 4 characters are never removed, even an empty folder named relative
  // to the current one.
  fs::create_directories(Folder() / "ab");
  const fs::path current = fs::current_path();
  fs::current_path(Folder());
  RemoveDirectoryIfEmpty(u"ab");
  RemoveDirectoryIfEmpty(u"ab\\");
  fs::current_path(current);
  EXPECT_TRUE(fs::exists(Folder() / "ab"));

  // The test's own cleanup needs the shell file writable again.
  ::SetFileAttributesW((withFile / "desktop.ini").c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
}  // namespace qs::systest
