// The replacement decision for every overwrite mode and kind against an existing destination:
// what is written, what is recorded for the uninstaller, the log line, and which questions
// about the destination were asked (never one the rules do not need, never one twice).
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "base/text.h"
#include "core/payload_entry.h"
#include "files/replacement_rules.h"

namespace qs {
namespace {

constexpr DateTime kOld = {2019, 7, 5, 9, 3, 7};
constexpr DateTime kNew = {2020, 1, 1, 0, 0, 0};
constexpr DateTime kOldDay = {2019, 7, 5, -1, 0, 0};  // the day of kOld, without a time
constexpr DateTime kNoDate = {};
// The answer about a destination whose date cannot be read, or that is missing.
constexpr std::nullopt_t kUnreadable = std::nullopt;

// The destination as the rules see it; `asked` lists the questions in order: E(xists),
// D(ate), V(ersion).
class FakeDestination : public DestinationFacts {
 public:
  FakeDestination(bool exists, std::optional<DateTime> date, std::string version)
      : exists_(exists), date_(date), version_(std::move(version)) {}

  bool Exists() override {
    asked += 'E';
    return exists_;
  }
  bool Date(DateTime& date) override {
    asked += 'D';
    if (date_) date = *date_;
    return date_.has_value();
  }
  std::string Version() override {
    asked += 'V';
    return version_;
  }

  std::string asked;

 private:
  bool exists_;
  std::optional<DateTime> date_;
  std::string version_;
};

TEST(ReplacementRules, DecisionTable) {
  struct Case {
    const char* name;
    uint32_t mode;
    uint32_t kind;
    bool keep;
    // The destination: missing, or there with a date (none: unreadable) and a version text.
    bool exists;
    std::optional<DateTime> existingDate;
    const char* existingVersion;
    DateTime storedDate;
    const char* storedVersion;
    // Expected.
    bool write;
    bool record;
    bool existedBefore;
    const char* sentence;  // after the destination; "" for no line
    const char* asked;
  };
  const Case cases[] = {
      // ---- Modes ----
      {"NoCopyAsksNothing", kOverwriteNoCopy, kVersionedFile, false, true, kOld, "1.0", kNew,
       "2.0",  //
       false, false, false, "", ""},
      {"OnlyIfPresentMissing", kOverwriteOnlyIfPresent, kInstallFolderFile, false, false,
       kUnreadable, "", kNew,
       "",  //
       false, false, false, " was not installed because it does not already exist.\r\n", "E"},
      {"OnlyIfPresentThere", kOverwriteOnlyIfPresent, kInstallFolderFile, false, true, kOld, "",
       kNew, "",  //
       true, true, false, "", "E"},
      {"OnlyIfAbsentThere", kOverwriteOnlyIfAbsent, kInstallFolderFile, false, true, kOld, "", kNew,
       "",  //
       false, true, false, " was not installed because it already exists.\r\n", "E"},
      {"OnlyIfAbsentThereKept", kOverwriteOnlyIfAbsent, kInstallFolderFile, true, true, kOld, "",
       kNew, "",  //
       false, false, false, " was not installed because it already exists.\r\n", "E"},
      {"OnlyIfAbsentThereSystemFile", kOverwriteOnlyIfAbsent, kSystemFile, false, true, kOld, "",
       kNew, "",  //
       false, false, false, " was not installed because it already exists.\r\n", "E"},
      {"OnlyIfAbsentMissingAsksOnce", kOverwriteOnlyIfAbsent, kVersionedFile, false, false,
       kUnreadable, "", kNew,
       "1.0",  //
       true, true, false, "", "E"},
      {"UnlessExistingNewerLater", kOverwriteUnlessExistingNewer, kInstallFolderFile, false, true,
       kNew, "", kOld, "",  //
       false, true, false, " was not installed because the existing file is newer.\r\n", "D"},
      {"UnlessExistingNewerEarlier", kOverwriteUnlessExistingNewer, kInstallFolderFile, false, true,
       kOld, "", kNew, "",  //
       true, true, false, "", "D"},
      {"UnlessExistingNewerEqual", kOverwriteUnlessExistingNewer, kInstallFolderFile, false, true,
       kOld, "", kOld, "",  //
       true, true, false, "", "D"},
      {"UnlessExistingNewerStoredWithoutTime", kOverwriteUnlessExistingNewer, kInstallFolderFile,
       false, true, kNew, "", kOldDay, "",  //
       true, true, false, "", ""},
      {"UnlessExistingNewerUnreadable", kOverwriteUnlessExistingNewer, kShortcutFile, false, false,
       kUnreadable, "", kOld,
       "",  //
       true, true, false, "", "D"},
      {"ModeAboveFourActsAsByKind", 7, kSharedFolderFile, false, true, kNew, "", kOld, "",  //
       false, false, false, " is up to date.\r\n", "ED"},
      // ---- Kinds without a comparison ----
      {"InstallFolderFileOverExisting", kOverwriteByKind, kInstallFolderFile, false, true, kNew, "",
       kOld, "",  //
       true, true, false, "", ""},
      {"AppletKept", kOverwriteByKind, kControlPanelApplet, true, false, kUnreadable, "", kOld,
       "",  //
       true, false, false, "", ""},
      // ---- Shared files and fonts: by date ----
      {"SharedMissing", kOverwriteByKind, kSharedFolderFile, false, false, kUnreadable, "", kNew,
       "",  //
       true, false, false, "", "E"},
      {"SharedExistingLater", kOverwriteByKind, kSharedFolderFile, false, true, kNew, "", kOld,
       "",  //
       false, false, false, " is up to date.\r\n", "ED"},
      {"FontExistingEqual", kOverwriteByKind, kFontFile, false, true, kOld, "", kOld, "",  //
       false, false, false, " is up to date.\r\n", "ED"},
      {"FontExistingEarlier", kOverwriteByKind, kFontFile, false, true, kOld, "", kNew, "",  //
       true, false, true, " is out of date and will be replaced.\r\n", "ED"},
      {"SharedStoredWithoutTimeAlwaysReplaces", kOverwriteByKind, kSharedFolderFile, false, true,
       kNew, "", kOldDay, "",  //
       true, false, true, " is out of date and will be replaced.\r\n", "E"},
      {"SharedExistingDateUnreadable", kOverwriteByKind, kSharedFolderFile, false, true,
       kUnreadable, "", kOld,
       "",  //
       true, false, true, " is out of date and will be replaced.\r\n", "ED"},
      // ---- System and versioned files: version, then date ----
      {"VersionedMissing", kOverwriteByKind, kVersionedFile, false, false, kUnreadable, "", kNew,
       "2.0",  //
       true, true, false, "", "E"},
      {"VersionedEqualVersion", kOverwriteByKind, kVersionedFile, false, true, kOld, "1.0", kNew,
       "1.0",  //
       false, true, false, " was not installed because its version (1.0) is not newer than 1.0\r\n",
       "EV"},
      {"VersionedOlderVersionKept", kOverwriteByKind, kVersionedFile, true, true, kOld, "1.0", kNew,
       "0.9",  //
       false, false, false,
       " was not installed because its version (0.9) is not newer than 1.0\r\n", "EV"},
      {"SystemFileOlderVersion", kOverwriteByKind, kSystemFile, false, true, kOld, "10.0", kNew,
       "2.5.0.1",  //
       false, false, false,
       " was not installed because its version (2.5.0.1) is not newer than 10.0\r\n", "EV"},
      {"VersionedNewerVersionOlderDate", kOverwriteByKind, kVersionedFile, false, true, kNew, "1.0",
       kOld, "2.5.0.1",  //
       false, true, false,
       " was not installed because its date (2019/7/05 9:03:07) is not newer than 2020/1/01 "
       "0:00:00.\r\n",
       "EVD"},
      {"VersionedNewerVersionSameDate", kOverwriteByKind, kVersionedFile, false, true, kOld, "1.9",
       kOld, "1.10",  //
       false, true, false,
       " was not installed because its date (2019/7/05 9:03:07) is not newer than 2019/7/05 "
       "9:03:07.\r\n",
       "EVD"},
      {"VersionedNewerVersionNewerDate", kOverwriteByKind, kVersionedFile, false, true, kOld, "1.0",
       kNew, "2.5.0.1",  //
       true, true, true,
       " needs replacement because its version (2.5.0.1) is newer than 1.0 and its date "
       "(2020/1/01 0:00:00) is newer than 2019/7/05 9:03:07\r\n",
       "EVD"},
      {"SystemFileWithoutVersionResource", kOverwriteByKind, kSystemFile, false, true, kOld, "",
       kNew, "1.0",  //
       true, false, true,
       " needs replacement because its date (2020/1/01 0:00:00) is newer than 2019/7/05 "
       "9:03:07\r\n",
       "EVD"},
      {"ComServerWithoutStoredVersion", kOverwriteByKind, kSystemComServer, false, true, kNew,
       "3.0", kOld, "",  //
       false, false, false,
       " was not installed because its date (2019/7/05 9:03:07) is not newer than 2020/1/01 "
       "0:00:00.\r\n",
       "ED"},
      {"TypeLibraryNewerVersionDateUnreadable", kOverwriteByKind, kSystemTypeLibrary, false, true,
       kUnreadable, "1.0", kOld,
       "1.1",  //
       true, false, true, " needs replacement because its version (1.1) is newer than 1.0\r\n",
       "EVD"},
      {"SystemFileNothingToCompare", kOverwriteByKind, kSystemFile, false, true, kUnreadable, "",
       kOld,
       "",  //
       true, false, true, " is out of date and will be replaced.\r\n", "ED"},
      // A stored date without a time orders after every time of its day.
      {"VersionedStoredWithoutTime", kOverwriteByKind, kVersionedFile, false, true, kOld, "",
       kOldDay, "",  //
       true, true, true,
       " needs replacement because its date (2019/7/05 -1:00:00) is newer than 2019/7/05 "
       "9:03:07\r\n",
       "ED"},
      {"VersionedStoredWithoutDate", kOverwriteByKind, kVersionedFile, false, true, kNew, "",
       kNoDate, "",  //
       true, true, true,
       " needs replacement because its date (0/0/00 -1:00:00) is newer than 2020/1/01 0:00:00\r\n",
       "ED"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDestination destination(c.exists, c.existingDate, c.existingVersion);
    ReplacementQuery query;
    // A destination outside ASCII reaches the line unchanged.
    const std::u16string dest = u"C:\\Pr\u00f6dukt \u4e2d\\file.dll";
    query.dest = dest;
    query.mode = c.mode;
    query.kind = c.kind;
    query.keep = c.keep;
    query.storedDate = c.storedDate;
    query.storedVersion = c.storedVersion;
    const ReplacementDecision decision = DecideReplacement(query, destination);
    EXPECT_EQ(decision.write, c.write);
    EXPECT_EQ(decision.recordFile, c.record);
    if (c.write) {
      EXPECT_EQ(decision.existedBefore, c.existedBefore);
    }
    const std::u16string expectedLine =
        *c.sentence == '\0' ? std::u16string() : dest + AsciiToUtf16(c.sentence);
    EXPECT_EQ(decision.logLine, expectedLine);
    EXPECT_EQ(destination.asked, c.asked);
  }
}

TEST(ReplacementRules, RecordableKinds) {
  for (uint32_t kind = kInstallFolderFile; kind <= kControlPanelApplet; ++kind) {
    const bool installFolderKind =
        kind == kInstallFolderFile || kind == kShortcutFile || kind >= kVersionedFile;
    EXPECT_EQ(IsRecordableKind(kind, false), installFolderKind) << kind;
    EXPECT_FALSE(IsRecordableKind(kind, true)) << kind;
  }
}

}  // namespace
}  // namespace qs
