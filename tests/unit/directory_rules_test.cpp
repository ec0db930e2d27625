#include "core/directory_rules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/text.h"

namespace qs {
namespace {

std::string Utf8(std::u16string_view text) {
  return Utf16ToUtf8(text);
}

TEST(DirectoryRulesTest, WellFormedPaths) {
  struct Case {
    const char16_t* path;
    bool wellFormed;
  };
  const Case cases[] = {
      {u"C:\\", true},
      {u"c:\\Program Files\\My App", true},
      {u"D:\\Apps\\", true},  // one trailing separator
      {u"\\\\server\\share", true},
      {u"\\\\server\\share\\", true},
      {u"\\\\server\\share\\Apps\\My App", true},
      {u"C:\\ leading space", true},
      {u"C:\\Caf\u00e9 \u00c9dition", true},
      {u"", false},
      {u"C:", false},            // the current folder of drive C
      {u"C:Apps", false},        // relative to it
      {u"\\Apps", false},        // relative to the current drive
      {u"Apps\\My App", false},  // relative
      {u"1:\\Apps", false},      // not a drive letter
      {u"C:\\\\", false},        // empty name
      {u"C:\\Apps\\\\My App", false},
      {u"C:\\Apps\\\\", false},  // two trailing separators
      {u"C:\\Apps\\.", false},   // "." and ".." lead elsewhere than they read
      {u"C:\\Apps\\..\\Windows", false},
      {u"C:\\Program Files.", false},  // the system drops the dot: Program Files itself
      {u"C:\\Program Files ", false},
      {u"C:\\Apps\\a<b", false},
      {u"C:\\Apps\\a|b", false},
      {u"C:\\Apps\\a?b", false},
      {u"C:\\Apps\\a*b", false},
      {u"C:\\Apps\\a\"b", false},
      {u"C:\\Apps\\a:b", false},   // alternate data stream
      {u"C:/Apps", false},         // only "\" separates names
      {u"C:\\Apps\\a\tb", false},  // control character
      {u"\\\\server", false},      // a server without share
      {u"\\\\server\\", false},
      {u"\\\\\\share", false},
      {u"\\\\?\\C:\\Apps", false},  // long-path prefix
      {u"\\\\.\\C:", false},        // device namespace
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsWellFormedPath(c.path), c.wellFormed) << Utf8(c.path);
  }
}

TEST(DirectoryRulesTest, WellFormedPathsHaveAtMost259Characters) {
  std::u16string path = u"C:\\";
  path.append(kMaxInstallDirLength - path.size(), u'a');
  EXPECT_TRUE(IsWellFormedPath(path));
  path += u'a';
  EXPECT_FALSE(IsWellFormedPath(path));
}

TEST(DirectoryRulesTest, DriveOfPath) {
  struct Case {
    const char16_t* path;
    const char16_t* drive;
  };
  const Case cases[] = {
      {u"C:\\Apps", u"C:"},
      {u"d:\\", u"d:"},
      {u"C:", u"C:"},
      {u"\\\\server\\share\\Apps\\My App", u"\\\\server\\share"},
      {u"\\\\server\\share", u"\\\\server\\share"},
      {u"\\\\server", u"\\\\server"},
      {u"Apps", u""},
      {u"\\Apps", u""},
      {u"", u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DriveOfPath(c.path), std::u16string(c.drive)) << Utf8(c.path);
  }
  EXPECT_EQ(DriveRoot(u"C:"), u"C:\\");
  EXPECT_EQ(DriveRoot(u"\\\\server\\share"), u"\\\\server\\share\\");
}

TEST(DirectoryRulesTest, SameFolderIgnoresAsciiCaseAndTrailingSeparators) {
  EXPECT_TRUE(IsSameFolder(u"c:\\program files\\", u"C:\\Program Files"));
  EXPECT_TRUE(IsSameFolder(u"C:\\Program Files\\\\", u"C:\\PROGRAM FILES"));
  EXPECT_FALSE(IsSameFolder(u"C:\\Program Files\\App", u"C:\\Program Files"));
  EXPECT_FALSE(IsSameFolder(u"C:\\Program File", u"C:\\Program Files"));
  // Only ASCII letters are folded.
  EXPECT_FALSE(IsSameFolder(u"C:\\\u00e9", u"C:\\\u00c9"));
}

class FakeDrives : public DriveFacts {
 public:
  struct Drive {
    DriveType type = DriveType::kFixed;
    std::optional<uint64_t> free = uint64_t{1} << 40;
    uint64_t cluster = 4096;
  };

  FakeDrives() {
    drives_[u"C:\\"] = {};
    drives_[u"D:\\"] = {DriveType::kCdRom, 0, 2048};
    drives_[u"E:\\"] = {DriveType::kRemovable, 1000, 512};
    drives_[u"N:\\"] = {DriveType::kNetwork, uint64_t{1} << 30, 4096};
    drives_[u"\\\\server\\share\\"] = {DriveType::kNetwork, uint64_t{1} << 30, 4096};
    drives_[u"R:\\"] = {DriveType::kRamDisk, std::nullopt, 0};
  }

  DriveType TypeOfDrive(std::u16string_view root) const override {
    const Drive* drive = Find(root);
    return drive == nullptr ? DriveType::kMissing : drive->type;
  }
  std::optional<uint64_t> FreeSpace(std::u16string_view root) const override {
    const Drive* drive = Find(root);
    return drive == nullptr ? std::nullopt : drive->free;
  }
  uint64_t ClusterSize(std::u16string_view root) const override {
    const Drive* drive = Find(root);
    return drive == nullptr ? 0 : drive->cluster;
  }
  std::u16string ProgramFilesFolder() const override { return u"C:\\Program Files (x86)"; }

 private:
  // Drive letters in either case name the same drive, as they do for the system.
  const Drive* Find(std::u16string_view root) const {
    for (const auto& [name, drive] : drives_) {
      if (IsSameFolder(name, root)) return &drive;
    }
    return nullptr;
  }

  std::map<std::u16string, Drive> drives_;
};

TEST(DirectoryRulesTest, ChecksInOrderAndReportsTheFirstThatFails) {
  struct Case {
    const char* name;
    const char16_t* directory;
    DirectoryRuleOptions options;
    DirectoryProblem problem;
    TextId text;
    const char16_t* argument;
  };
  constexpr TextId kNoText{};  // what a verdict without a problem carries
  const DirectoryRuleOptions plain{};
  const DirectoryRuleOptions strict{true, true, true, 0};
  const DirectoryRuleOptions needs2000{false, false, true, 2000};
  const DirectoryRuleOptions needs2000NoCheck{false, false, false, 2000};
  const Case cases[] = {
      {"Accepted", u"C:\\Apps\\My App", plain, DirectoryProblem::kNone, kNoText, u""},
      {"AcceptedUnc", u"\\\\server\\share\\Apps", plain, DirectoryProblem::kNone, kNoText, u""},
      // A malformed path is refused with the invalid-path text, not the drive's: it may have no
      // drive to name. The text gets the path as typed.
      {"Malformed", u"Apps\\My App", plain, DirectoryProblem::kMalformed, kTextInvalidPath,
       u"Apps\\My App"},
      {"MalformedOnMissingDrive", u"Q:\\a|b", plain, DirectoryProblem::kMalformed, kTextInvalidPath,
       u"Q:\\a|b"},
      {"MissingDrive", u"Q:\\Apps", plain, DirectoryProblem::kNoSuchDrive, kTextNoSuchDrive, u"Q:"},
      // The drive is checked before the length: a missing drive's root names the drive.
      {"MissingDriveRoot", u"Q:\\", plain, DirectoryProblem::kNoSuchDrive, kTextNoSuchDrive, u"Q:"},
      {"MissingShare", u"\\\\server\\other\\Apps", plain, DirectoryProblem::kNoSuchDrive,
       kTextNoSuchDrive, u"\\\\server\\other"},
      {"NetworkDriveRefused", u"N:\\Apps", strict, DirectoryProblem::kNetworkPath, kTextNetworkPath,
       u""},
      {"UncRefused", u"\\\\server\\share\\Apps", strict, DirectoryProblem::kNetworkPath,
       kTextNetworkPath, u""},
      {"NetworkDriveAllowed", u"N:\\Apps", plain, DirectoryProblem::kNone, kNoText, u""},
      // Network before length: the root of a mapped drive is refused as a network path.
      {"NetworkRootRefused", u"N:\\", strict, DirectoryProblem::kNetworkPath, kTextNetworkPath,
       u""},
      {"DriveRoot", u"C:\\", plain, DirectoryProblem::kTooShort, kTextFolderTooShort, u""},
      {"CdDriveRoot", u"D:\\", plain, DirectoryProblem::kTooShort, kTextFolderTooShort, u""},
      {"ShortestFolder", u"C:\\a", plain, DirectoryProblem::kNone, kNoText, u""},
      {"ProgramFiles", u"C:\\Program Files (x86)", plain, DirectoryProblem::kProgramFiles,
       kTextProgramFilesItself, u"C:\\Program Files (x86)"},
      {"ProgramFilesOtherCase", u"c:\\PROGRAM FILES (X86)\\", plain,
       DirectoryProblem::kProgramFiles, kTextProgramFilesItself, u"C:\\Program Files (x86)"},
      {"InsideProgramFiles", u"C:\\Program Files (x86)\\My App", plain, DirectoryProblem::kNone,
       kNoText, u""},
      {"CdDrive", u"D:\\Apps", plain, DirectoryProblem::kUnsuitableDrive, kTextUnsuitableDrive,
       u"D:"},
      {"RemovableAllowed", u"E:\\Apps", plain, DirectoryProblem::kNone, kNoText, u""},
      {"RemovableRefused", u"E:\\Apps", strict, DirectoryProblem::kUnsuitableDrive,
       kTextUnsuitableDrive, u"E:"},
      // The space question comes last: a CD drive with no free space is refused as a CD drive.
      {"CdDriveBeforeSpace", u"D:\\Apps", needs2000, DirectoryProblem::kUnsuitableDrive,
       kTextUnsuitableDrive, u"D:"},
      {"LowSpace", u"E:\\Apps", needs2000, DirectoryProblem::kLowDiskSpace, kTextLowDiskSpace, u""},
      {"LowSpaceNotCheckedOverPrevious", u"E:\\Apps", needs2000NoCheck, DirectoryProblem::kNone,
       kNoText, u""},
      {"FreeSpaceUnknown", u"R:\\Apps", needs2000, DirectoryProblem::kNone, kNoText, u""},
  };
  FakeDrives drives;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DirectoryVerdict verdict = CheckInstallDirectory(c.directory, c.options, drives);
    EXPECT_EQ(verdict.problem, c.problem);
    EXPECT_EQ(verdict.textNumber, c.text);
    EXPECT_EQ(Utf8(verdict.argument), Utf8(c.argument));
  }
}

TEST(DirectoryRulesTest, SpaceQuestionCarriesBothAmounts) {
  FakeDrives drives;  // E: has 1000 bytes free
  DirectoryRuleOptions options;
  options.requiredSpace = 1000;
  EXPECT_EQ(CheckInstallDirectory(u"E:\\Apps", options, drives).problem, DirectoryProblem::kNone);
  options.requiredSpace = 1001;
  DirectoryVerdict verdict = CheckInstallDirectory(u"E:\\Apps", options, drives);
  EXPECT_EQ(verdict.problem, DirectoryProblem::kLowDiskSpace);
  EXPECT_EQ(verdict.required, 1001u);
  EXPECT_EQ(verdict.available, 1000u);
}

TEST(DirectoryRulesTest, FormatByteSize) {
  constexpr uint64_t kKilo = uint64_t{1} << 10;
  constexpr uint64_t kMega = uint64_t{1} << 20;
  constexpr uint64_t kGiga = uint64_t{1} << 30;
  constexpr uint64_t kTera = uint64_t{1} << 40;
  struct Case {
    uint64_t bytes;
    const char* text;
  };
  const Case cases[] = {
      {0, "0 bytes"},
      {1023, "1023 bytes"},
      {kKilo, "1.00 KB"},
      {1536, "1.50 KB"},
      {kMega - 1, "1024.00 KB"},  // below 1 MB, rounded by the two decimals
      {kMega, "1.00 MB"},
      {kMega + kMega / 4, "1.25 MB"},
      {kGiga - 1, "1024.00 MB"},
      {kGiga, "1.00 GB"},
      {5 * kGiga + kGiga / 2, "5.50 GB"},
      {kTera - 1, "1024.00 GB"},
      {kTera, "1.00 TB"},
      {2048 * kTera, "2048.00 TB"},
      {std::numeric_limits<uint64_t>::max(), "16777216.00 TB"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatByteSize(c.bytes), c.text) << c.bytes;
  }
}

TEST(DirectoryRulesTest, RequiredSpaceRoundsEachEntryToClusters) {
  struct Case {
    const char* name;
    uint64_t uninstaller;
    std::vector<int32_t> sizes;
    uint64_t cluster;
    uint64_t extra;
    uint64_t expected;
  };
  const Case cases[] = {
      {"Nothing", 0, {}, 4096, 0, 0},
      {"UninstallerNotRounded", 1000, {}, 4096, 0, 1000},
      {"EmptyFileNeedsNoCluster", 0, {0}, 4096, 0, 0},
      {"OneByteTakesACluster", 0, {1}, 4096, 0, 4096},
      {"ExactCluster", 0, {4096}, 4096, 0, 4096},
      {"OneOver", 0, {4097}, 4096, 0, 8192},
      {"EachEntryRoundedAlone", 0, {1, 1, 1}, 512, 0, 1536},
      {"NoClusterSizeMeans4096", 0, {1, 4097}, 0, 0, 4096 + 8192},
      {"OddClusterSize", 0, {1000}, 300, 0, 1200},
      {"AllParts", 70000, {100, 5000}, 4096, 1 << 20, 70000 + 4096 + 8192 + (1 << 20)},
      // Beyond 4 GB in all: the sum is 64-bit.
      {"LargeSum", 0, {0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF}, 4096, 0, 3 * uint64_t{0x80000000}},
      {"NegativeSizeNeedsNothing", 0, {-1, 10}, 4096, 0, 4096},
      {"HugeExtraDoesNotWrap",
       1,
       {1},
       4096,
       std::numeric_limits<uint64_t>::max(),
       std::numeric_limits<uint64_t>::max()},
      {"HugeClusterSize",
       0,
       {1, 2},
       std::numeric_limits<uint64_t>::max(),
       0,
       std::numeric_limits<uint64_t>::max()},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RequiredSpace(c.uninstaller, c.sizes, c.cluster, c.extra), c.expected) << c.name;
  }
}

}  // namespace
}  // namespace qs
