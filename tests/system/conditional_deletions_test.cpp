// Conditional deletes on a real file system. Inside this process: each condition against files
// with set dates and sizes, the two passes, the log sentences and the restart flags. As a whole
// installer: the deletes run before the files are written, and an argument that is no date is a
// damaged installer. Deletions left for the restart run in a prefix of their own and restart it.
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "base/file_win.h"
#include "base/system_error_win.h"
#include "base/text_win.h"
#include "core/product_win.h"
#include "file_fixtures.h"
#include "files/conditional_deletions_win.h"
#include "files/deletion_conditions.h"
#include "install_sequence_fixture.h"
#include "restart_fixtures.h"

namespace qs::systest {
namespace {

namespace fs = std::filesystem;

constexpr uint8_t kInstall = kDeleteModeInstall;
constexpr uint8_t kUninstall = kDeleteModeUninstall;
constexpr uint8_t kAtRestart = kDeleteModeAtRestart;
constexpr uint8_t kAtRestartOnFailure = kDeleteModeAtRestartOnFailure;

struct TestFile {
  const char* name;
  uint64_t size;
  DateTime written;  // UTC
};

// Each test sets the product's flags and deletes it needs; the install folder is the test's
// folder.
class ConditionalDeletes : public SystemTest {
 protected:
  void SetUp() override {
    SystemTest::SetUp();
    Product().ProductFlags = 0;
    Product().conditionalDeletes.clear();
    run_.installDir = Folder().u16string();
    Installation().installDir = run_.installDir;
  }

  std::string PathOf(const char* name) const { return Narrow((Folder() / name).wstring()); }
  bool Exists(const char* name) const { return fs::exists(Folder() / name); }

  void Make(const TestFile& file, DWORD attributes = 0) {
    const fs::path path = WriteFile(file.name, std::vector<uint8_t>(file.size, 'x'));
    EXPECT_TRUE(SetLastWriteTime(path, file.written)) << file.name;
    if (attributes != 0) ::SetFileAttributesW(path.wstring().c_str(), attributes);
  }
  void Make(const char* name) { Make({name, 1, {2024, 1, 1, 12, 0, 0}}); }

  void Delete(std::vector<FileDeletion> deletions) {
    Product().conditionalDeletes = std::move(deletions);
    RunInstallConditionalDeletions(run_);
  }

  // The paths told to the uninstaller, sorted.
  std::vector<std::string> DeleteUninstalling(std::vector<FileDeletion> deletions) {
    Product().conditionalDeletes = std::move(deletions);
    std::vector<std::string> told;
    RunUninstallConditionalDeletions(
        run_.installDir, [&](const std::u16string& path) { told.push_back(Utf16ToUtf8(path)); });
    std::sort(told.begin(), told.end());
    return told;
  }

  // The log's lines without the blank line that ends it.
  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    const std::string log = WideToUtf8(run_.installLog);
    size_t start = 0;
    for (size_t end; (end = log.find("\r\n", start)) != std::string::npos; start = end + 2) {
      lines.push_back(log.substr(start, end - start));
    }
    EXPECT_EQ(start, log.size()) << "the log ends in the middle of a line: " << log;
    EXPECT_TRUE(!lines.empty() && lines.back().empty()) << "no blank line at the end: " << log;
    if (!lines.empty()) lines.pop_back();
    std::sort(lines.begin(), lines.end());
    return lines;
  }

  std::string Deleted(const char* name) const { return "Deleted file: " + PathOf(name); }

  uint64_t Flags() const { return Product().ProductFlags; }

  InstallRun run_;
};

TEST_F(ConditionalDeletes, EachCondition) {
  const TestFile files[] = {
      {"before.dat", 10, {2019, 7, 4, 23, 59, 59}},
      {"early.dat", 0, {2019, 7, 5, 0, 0, 0}},
      {"day.dat", 1000, {2019, 7, 5, 9, 3, 7}},
      {"after.dat", 1001, {2019, 7, 6, 0, 0, 0}},
  };
  struct Case {
    uint8_t condition;
    const char* argument;
    std::vector<std::string> deleted;  // sorted
  };
  const Case cases[] = {
      {kDeleteAlways, "", {"after.dat", "before.dat", "day.dat", "early.dat"}},
      {9, "anything", {"after.dat", "before.dat", "day.dat", "early.dat"}},
      {kDeleteDateEqual, "2019-07-05", {"day.dat", "early.dat"}},
      {kDeleteDateEqual, "2019-07-05 09:03:07", {"day.dat"}},
      {kDeleteDateFrom, "2019-07-05", {"after.dat", "day.dat", "early.dat"}},
      {kDeleteDateFrom, "2019-07-05 09:03:08", {"after.dat"}},
      {kDeleteDateUntil, "2019/7/5", {"before.dat", "day.dat", "early.dat"}},
      {kDeleteDateUntil, "2019-07-05 09:03:06", {"before.dat", "early.dat"}},
      {kDeleteSizeEqual, "1000", {"day.dat"}},
      {kDeleteSizeEqual, "1", {}},
      {kDeleteSizeAtLeast, "1000", {"after.dat", "day.dat"}},
      {kDeleteSizeAtLeast, "0", {"after.dat", "before.dat", "day.dat", "early.dat"}},
      {kDeleteSizeAtMost, "10", {"before.dat", "early.dat"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.condition) + " \"" + c.argument + "\"");
    for (const TestFile& file : files) Make(file);
    run_.installLog.clear();
    Delete({{"*.dat", c.condition, c.argument, kInstall}});

    std::vector<std::string> logged;
    for (const TestFile& file : files) {
      bool deleted = std::find(c.deleted.begin(), c.deleted.end(), file.name) != c.deleted.end();
      EXPECT_EQ(Exists(file.name), !deleted) << file.name;
      if (deleted) logged.push_back(Deleted(file.name));
    }
    std::sort(logged.begin(), logged.end());
    if (c.deleted.empty()) {
      EXPECT_EQ(run_.installLog, u"");
    } else {
      EXPECT_EQ(LogLines(), logged);
    }
    EXPECT_EQ(Flags(), 0u);
    EXPECT_EQ(run_.failureSummary, u"");
  }
}

TEST_F(ConditionalDeletes, ProtectedFilesAreDeletedToo) {
  Make({"protected.dat", 5, {2024, 1, 1, 0, 0, 0}},
       FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  Delete({{"*.dat", kDeleteAlways, "", kInstall}});
  EXPECT_FALSE(Exists("protected.dat"));
  EXPECT_EQ(LogLines(), std::vector<std::string>{Deleted("protected.dat")});
}

TEST_F(ConditionalDeletes, EachPassTakesItsOwnEntries) {
  for (const char* name : {"install.dat", "uninstall.dat", "both.dat", "sub\\deep.dat"}) {
    Make(name);
  }
  const std::vector<FileDeletion> deletions = {
      {"%InstallDir%\\install.dat", kDeleteAlways, "", kInstall},
      {"uninstall.dat", kDeleteAlways, "", kUninstall},
      {"%InstallDir%\\both.dat;sub\\deep.dat", kDeleteAlways, "", kInstall | kUninstall},
      {"*.dat /s", kDeleteAlways, "", 0},
  };
  Delete(deletions);
  EXPECT_FALSE(Exists("install.dat"));
  EXPECT_FALSE(Exists("both.dat"));
  EXPECT_FALSE(Exists("sub\\deep.dat"));
  EXPECT_TRUE(Exists("uninstall.dat"));
  EXPECT_EQ(LogLines(), (std::vector<std::string>{Deleted("both.dat"), Deleted("install.dat"),
                                                  Deleted("sub\\deep.dat")}));

  // Uninstalling logs nothing and tells the uninstaller what went.
  Make("both.dat");
  Make("install.dat");
  run_.installLog.clear();
  EXPECT_EQ(DeleteUninstalling(deletions),
            (std::vector<std::string>{PathOf("both.dat"), PathOf("uninstall.dat")}));
  EXPECT_FALSE(Exists("uninstall.dat"));
  EXPECT_FALSE(Exists("both.dat"));
  EXPECT_TRUE(Exists("install.dat"));
  EXPECT_EQ(run_.installLog, u"");
  EXPECT_EQ(Flags(), 0u);
}

TEST_F(ConditionalDeletes, FailedDeleteIsLoggedAndTheRestGoOn) {
  Make("locked.dat");
  Make("free.dat");
  const UniqueFileHandle lock = LockFile(Folder() / "locked.dat");
  ASSERT_TRUE(lock);
  Delete({{"*.dat", kDeleteAlways, "", kInstall}});
  EXPECT_TRUE(Exists("locked.dat"));
  EXPECT_FALSE(Exists("free.dat"));
  EXPECT_EQ(LogLines(),
            (std::vector<std::string>{Deleted("free.dat"),
                                      "Failed to delete file \"" + PathOf("locked.dat") +
                                          "\": " + SystemErrorText(ERROR_SHARING_VIOLATION)}));
  EXPECT_EQ(run_.failureSummary, u"");
  EXPECT_EQ(Flags(), 0u);

  // Uninstalling, the file that stayed is not reported as gone.
  EXPECT_EQ(DeleteUninstalling({{"locked.dat", kDeleteAlways, "", kUninstall}}),
            std::vector<std::string>{});
}

// Uninstalling, an entry that deleted a file is done and leaves the list the uninstaller writes
// back, so that a later run does not carry it out again. An entry that found nothing to delete,
// could not delete it, or belongs to the installation stays.
TEST_F(ConditionalDeletes, UninstallingDropsTheEntriesCarriedOut) {
  Make("gone.dat");
  Make("small.dat");
  Make("locked.dat");
  const UniqueFileHandle lock = LockFile(Folder() / "locked.dat");
  ASSERT_TRUE(lock);
  const FileDeletion done = {"gone.dat", 0, "", kUninstall};
  const std::vector<FileDeletion> left = {
      {"missing.dat", 0, "", kUninstall},
      {"small.dat", 5, "1000", kUninstall},  // the file is smaller
      {"locked.dat", 0, "", kUninstall},
      {"gone.dat", 0, "", kInstall},
  };
  std::vector<FileDeletion> deletions = left;
  deletions.insert(deletions.begin() + 2, done);
  EXPECT_EQ(DeleteUninstalling(deletions), std::vector<std::string>{PathOf("gone.dat")});
  EXPECT_EQ(Product().conditionalDeletes, left);
}

TEST_F(ConditionalDeletes, NothingMatchingLogsNothing) {
  Make("kept.txt");
  // The argument is tested only against a file: with none, it is never read.
  Delete({{"missing.dat", kDeleteAlways, "", kInstall},
          {"*.dat /s", kDeleteDateFrom, "not a date", kInstall},
          {"kept.txt", kDeleteSizeEqual, "2", kInstall}});
  EXPECT_EQ(run_.installLog, u"");
  EXPECT_TRUE(Exists("kept.txt"));
}

// ---- Through a whole installer ----

class ConditionalDeletesInstaller : public InstallSequence {
 protected:
  RunResult Install(const ProductSettings& product, const fs::path& app) {
    std::vector<builder::PayloadFile> files = {MakeFile("new.tmp", "x")};
    return RunInstaller(MakeInstaller(MakePayload(files, {}, 0, SettingsStream(product))),
                        DirectorySwitch(app) + L" /a");
  }
};

TEST_F(ConditionalDeletesInstaller, DeletesRunBeforeTheFilesAreWritten) {
  const fs::path app = MadeFolder("app");
  for (const char* name : {"old.tmp", "sub\\older.tmp", "keep.txt", "new.tmp"}) {
    WriteFile(fs::path("app") / name, {'o', 'l', 'd'});
  }
  ProductSettings product = SequenceProduct(kQuiet | kFlagWriteInstallLogAlways);
  product.conditionalDeletes = {{"*.tmp /s", kDeleteAlways, "", kInstall},
                                {"keep.txt", kDeleteAlways, "", kUninstall}};
  RunResult result = Install(product, app);
  EXPECT_EQ(result.exitCode, 1u) << result;
  EXPECT_TRUE(WorkDone(result)) << result;
  EXPECT_FALSE(fs::exists(app / "old.tmp"));
  EXPECT_FALSE(fs::exists(app / "sub" / "older.tmp"));
  EXPECT_TRUE(fs::exists(app / "keep.txt"));
  // The product's own file came afterwards.
  ASSERT_TRUE(fs::exists(app / "new.tmp"));
  EXPECT_EQ(fs::file_size(app / "new.tmp"), 1u);

  std::string log;
  ASSERT_TRUE(ReadWholeFile((app / "Install.LOG").wstring(), log, 1 << 20));
  // The folder's own files go first; a blank line ends the deletes.
  const std::string appText = Narrow(app.wstring());
  for (const std::string& line : {"Deleted file: " + appText + "\\old.tmp\r\n",
                                  "Deleted file: " + appText + "\\sub\\older.tmp\r\n\r\n"}) {
    EXPECT_NE(log.find(line), std::string::npos) << line << log;
  }
  EXPECT_EQ(log.find("keep.txt"), std::string::npos) << log;
}

TEST_F(ConditionalDeletesInstaller, ArgumentThatIsNoDateIsADamagedInstaller) {
  const fs::path app = MadeFolder("app");
  WriteFile("app\\old.tmp", {'x'});
  ProductSettings product = SequenceProduct(kQuiet);
  product.conditionalDeletes = {{"*.tmp", kDeleteDateFrom, "yesterday", kInstall}};
  // The corrupt report in the product's language, with the number.
  const std::string report = TextName(kTextCorruptReport) + " %d";
  product.languages.texts[kTextCorruptReport].assign(report.begin(), report.end());
  RunResult result = Install(product, app);
  EXPECT_EQ(result.exitCode, 1u) << result;
  std::vector<TranscriptRecord> messages = result.Records("message");
  ASSERT_EQ(messages.size(), 1u) << result;
  EXPECT_EQ(MessageIcon(messages[0]), "error") << result;
  EXPECT_EQ(MessageText(messages[0]), TextName(kTextCorruptReport) + " 65") << result;
  EXPECT_FALSE(WorkDone(result)) << result;
  EXPECT_TRUE(fs::exists(app / "old.tmp"));
}

// ---- Deletions at the restart ----

// Whether `path` waits to be deleted: a pending pair of it and an empty target.
bool PendingDeletion(const std::string& path) {
  return PendingPairs().count({LowerPath(Widen(path)), u""}) != 0;
}

// These register deletions with the system: they run only in the prefix kept for restarts.
class RestartPrefixConditionalDeletes : public ConditionalDeletes {
 protected:
  void SetUp() override {
    ConditionalDeletes::SetUp();
    if (!InRestartPrefix()) {
      GTEST_SKIP() << "registers deletions for the restart; runs in the restart prefix";
    }
  }
};

TEST_F(RestartPrefixConditionalDeletes, DeletionsWaitForTheRestart) {
  Make("later.dat");
  Make("locked.dat");
  Make("kept.txt");
  {
    const UniqueFileHandle lock = LockFile(Folder() / "locked.dat");
    ASSERT_TRUE(lock);
    // Bit 0 never tries now, even where it would work; bit 1 only after a failure.
    Delete({{"later.dat", kDeleteAlways, "", kInstall | kAtRestart | kAtRestartOnFailure},
            {"locked.dat", kDeleteAlways, "", kInstall | kAtRestartOnFailure}});
  }
  EXPECT_TRUE(Exists("later.dat"));
  EXPECT_TRUE(Exists("locked.dat"));
  EXPECT_EQ(LogLines(),
            (std::vector<std::string>{
                "File \"" + PathOf("later.dat") + "\" will be deleted after rebooting.",
                "File \"" + PathOf("locked.dat") + "\" will be deleted after rebooting: " +
                    SystemErrorText(ERROR_SHARING_VIOLATION)}));
  EXPECT_EQ(run_.failureSummary, u"");
  EXPECT_EQ(Flags(), kFlagRestartRequired);
  EXPECT_TRUE(PendingDeletion(PathOf("later.dat")));
  EXPECT_TRUE(PendingDeletion(PathOf("locked.dat")));

  ASSERT_TRUE(RestartPrefix());
  EXPECT_FALSE(Exists("later.dat"));
  EXPECT_FALSE(Exists("locked.dat"));
  EXPECT_TRUE(Exists("kept.txt"));
}

TEST_F(RestartPrefixConditionalDeletes, UninstallingSetsItsOwnFlag) {
  Make("later.dat");
  EXPECT_EQ(DeleteUninstalling({{"later.dat", kDeleteAlways, "", kUninstall | kAtRestart}}),
            std::vector<std::string>{PathOf("later.dat")});
  EXPECT_TRUE(Exists("later.dat"));
  EXPECT_TRUE(PendingDeletion(PathOf("later.dat")));
  EXPECT_EQ(Flags(), kFlagUninstallRestartRequired);
  EXPECT_EQ(run_.installLog, u"");
}

}  // namespace
}  // namespace qs::systest
