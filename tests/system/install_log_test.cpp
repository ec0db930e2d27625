// Install.LOG: what a run appends to it and when. WriteInstallLogFile is called inside the test
// process for the header's parts and the file's edge cases; real installers show when a run
// writes the log and how a failed run offers it.
#include <windows.h>

#include <regex>
#include <string>
#include <vector>

#include "base/handle_win.h"
#include "base/system_error_win.h"
#include "base/text.h"
#include "base/text_win.h"
#include "core/install_run.h"
#include "core/install_steps_win.h"
#include "core/product_win.h"
#include "file_fixtures.h"
#include "files/install_log_win.h"
#include "files/os_name_win.h"
#include "install_sequence_fixture.h"

namespace qs::systest {
namespace {

const std::string kSeparator = "\r\n\r\n" + std::string(46, '*') + "\r\n";

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// ---- WriteInstallLogFile inside the test process ----

class InstallLogFile : public SystemTest {
 protected:
  void SetUp() override {
    SystemTest::SetUp();
    Product() = ProductSettings{};
    ProductSettings& product = Product();
    product.DisplayName = u"Log Product";
    product.DisplayVersion = u"3.1";
    product.ProductFlags = 0;
    SetTexts(product, {"English"});
    Texts() = LanguageTexts(&product.languages, {});
    run_.installDir = Folder().u16string();
    run_.installLogPath = (Folder() / "Install.LOG").u16string();
    run_.installLog = u"Copying \"f0.txt\"...OK\r\n";
  }
  fs::path LogPath() const { return Folder() / "Install.LOG"; }

  InstallRun run_;
};

// The date is today's, in the default format; the rest is fixed by the product and the run.
TEST_F(InstallLogFile, HeaderLogAndCompletionText) {
  ASSERT_TRUE(WriteInstallLogFile(run_, u"", false));
  std::string text = ReadText(LogPath());

  const std::string dateLabel = "Install date: ";
  const size_t dateStart = text.find(dateLabel);
  ASSERT_NE(dateStart, std::string::npos) << text;
  const size_t dateEnd = text.find("\r\n", dateStart);
  const std::string date =
      text.substr(dateStart + dateLabel.size(), dateEnd - dateStart - dateLabel.size());
  EXPECT_TRUE(
      std::regex_match(date, std::regex(R"(\d{1,2}-[A-Z][a-z]{2}-\d{4} \d{1,2}:\d\d:\d\d[ap])")))
      << date;
  SYSTEMTIME now = {};
  ::GetLocalTime(&now);
  EXPECT_EQ(date.substr(date.rfind('-') + 1, 4), std::to_string(now.wYear)) << date;
  text.replace(dateStart + dateLabel.size(), date.size(), "<date>");

  EXPECT_EQ(text,
            "Installation log for: Log Product\r\n"
            "Install date: <date>\r\n"
            "Install location: " +
                WideToUtf8(run_.installDir) +
                "\r\n"
                "Installer version: 29.0.6\r\n"
                "Product version: 3.1\r\n"
                "Operating system: " +
                RunningSystemName(0) +
                "\r\n"
                "\r\n"
                "Copying \"f0.txt\"...OK\r\n"
                "\r\n" +
                TextName(kTextInstallCompleteCaption) + "\r\n");
}

// The install type follows the product's uninstallable bit and the caller's word; the replaced
// version comes from the run; a summary replaces the completion text.
TEST_F(InstallLogFile, LinesTheProductAndTheRunDecide) {
  struct Case {
    const char* name;
    uint64_t flags;
    bool isReinstall;
    const char* oldVersion;
    const char* productVersion;
    const char* summary;
    std::vector<std::string> present;
    std::vector<std::string> absent;
    std::string end;
  };
  const std::string completed = "\r\n" + TextName(kTextInstallCompleteCaption) + "\r\n";
  const Case cases[] = {
      {"New",
       kFlagUninstallable,
       false,
       "",
       "3.1",
       "",
       {"Install type: New\r\n"},
       {"Overwriting version"},
       completed},
      {"Reinstall",
       kFlagUninstallable,
       true,
       "1.0",
       "3.1",
       "",
       {"Install type: Reinstall\r\n", "Product version: 3.1\r\nOverwriting version: 1.0\r\n"},
       {},
       completed},
      {"NotUninstallable",
       0,
       true,
       "1.0",
       "",
       "",
       {"Installer version: 29.0.6\r\nOverwriting version: 1.0\r\n"},
       {"Install type", "Product version"},
       completed},
      {"Failed",
       0,
       false,
       "",
       "3.1",
       "Failed to write \"x\": Access is denied.\r\n\r\n",
       {},
       {TextName(kTextInstallCompleteCaption)},
       "...OK\r\n\r\n*** FAILURE SUMMARY ***\r\nFailed to write \"x\": Access is denied.\r\n\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(LogPath());
    Product().ProductFlags = c.flags;
    Product().DisplayVersion = AsciiToUtf16(c.productVersion);
    run_.oldVersion = AsciiToUtf16(c.oldVersion);
    ASSERT_TRUE(WriteInstallLogFile(run_, AsciiToUtf16(c.summary), c.isReinstall));
    const std::string text = ReadText(LogPath());
    for (const std::string& line : c.present) EXPECT_NE(text.find(line), std::string::npos) << text;
    for (const std::string& part : c.absent) EXPECT_EQ(text.find(part), std::string::npos) << text;
    EXPECT_TRUE(EndsWith(text, c.end)) << text;
  }
}

// Runs append: earlier text stays byte for byte, and a line of asterisks parts the runs, but
// only when the file held something.
TEST_F(InstallLogFile, AppendsAfterEarlierRuns) {
  WriteText(LogPath(), "");
  ASSERT_TRUE(WriteInstallLogFile(run_, u"", false));
  const std::string first = ReadText(LogPath());
  EXPECT_EQ(first.rfind("Installation log for: ", 0), 0u) << first;

  run_.installLog = u"Second run\r\n";
  ASSERT_TRUE(WriteInstallLogFile(run_, u"It failed.\r\n\r\n", true));
  const std::string both = ReadText(LogPath());
  ASSERT_EQ(both.substr(0, first.size() + kSeparator.size()), first + kSeparator) << both;
  const std::string second = both.substr(first.size() + kSeparator.size());
  EXPECT_EQ(second.rfind("Installation log for: Log Product\r\n", 0), 0u) << second;
  EXPECT_TRUE(EndsWith(second, "Second run\r\n\r\n*** FAILURE SUMMARY ***\r\nIt failed.\r\n\r\n"))
      << second;

  // A file that is not the installer's own gets the same treatment.
  WriteText(LogPath(), "someone else's notes");
  ASSERT_TRUE(WriteInstallLogFile(run_, u"", false));
  EXPECT_EQ(ReadText(LogPath()).rfind("someone else's notes" + kSeparator + "Installation log", 0),
            0u);
}

// A log that cannot be opened reports false and leaves nothing behind.
TEST_F(InstallLogFile, UnopenableLogWritesNothing) {
  // Another program holds the file without sharing it.
  WriteText(LogPath(), "kept\r\n");
  {
    UniqueFileHandle held(::CreateFileW(LogPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held.Valid());
    EXPECT_FALSE(WriteInstallLogFile(run_, u"", false));
  }
  EXPECT_EQ(ReadText(LogPath()), "kept\r\n");

  // A folder has the log's name.
  fs::remove(LogPath());
  fs::create_directory(LogPath());
  EXPECT_FALSE(WriteInstallLogFile(run_, u"", false));
  EXPECT_TRUE(fs::is_empty(LogPath()));

  // The folder is missing; it is not made for the log.
  run_.installLogPath = (Folder() / "missing" / "Install.LOG").u16string();
  EXPECT_FALSE(WriteInstallLogFile(run_, u"", false));
  EXPECT_FALSE(fs::exists(Folder() / "missing"));
}

// A folder name outside the ANSI code page travels as "|" + UTF-8 and is written to the folder
// it names; the log, in the code page, names it as far as the code page can.
TEST_F(InstallLogFile, FolderOutsideTheCodePage) {
  const fs::path folder = Folder() / L"Produkt \u0436\u00e9";
  fs::create_directory(folder);
  run_.installDir = folder.u16string();
  run_.installLogPath = (folder / L"Install.LOG").u16string();
  ASSERT_FALSE(IsAscii(run_.installLogPath));
  ASSERT_TRUE(WriteInstallLogFile(run_, u"", false));
  const std::string text = ReadText(folder / L"Install.LOG");
  EXPECT_NE(
      text.find("Install location: " + WideToUtf8(Folder().wstring()) + "\\Produkt ?\xE9\r\n"),
      std::string::npos)
      << text;
  EXPECT_EQ(text.find('|'), std::string::npos) << text;
}

// The programs started at the very end fail after the file is written: their lines still go
// into this run's text, in front of its completion text, and what an earlier run left stays as
// it was. A run that wrote no file writes none for them. The programs are really started here,
// and do not exist.
TEST_F(InstallLogFile, LaunchFailuresReachTheWrittenFile) {
  Product().finishLaunchProgram = u"no-such-app.exe";
  CommandLineOptions options;
  options.runAfterInstall = "no-such-program.exe";
  const std::string notFound = SystemErrorText(ERROR_FILE_NOT_FOUND);
  const std::string failures = "Failed to launch command: no-such-program.exe\r\n" + notFound +
                               "Failed to launch app: no-such-app.exe\r\n" + notFound;
  const std::string earlier = "An earlier run\r\n";
  const InstallRun fresh = run_;
  for (bool written : {true, false}) {
    SCOPED_TRACE(written ? "Written" : "NotWritten");
    run_ = fresh;
    run_.finishChoices = kFinishLaunchProgram;
    fs::remove(LogPath());
    std::string before;
    if (written) {
      WriteText(LogPath(), earlier);
      ASSERT_TRUE(WriteInstallLogFile(run_, u"", false));
      before = ReadText(LogPath());
    }
    wchar_t workingFolder[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, workingFolder);
    LaunchAfterInstallation(options, run_);
    ::SetCurrentDirectoryW(workingFolder);  // the run made the install folder its own

    EXPECT_EQ(WideToUtf8(run_.installLog), "Copying \"f0.txt\"...OK\r\n" + failures);
    if (!written) {
      EXPECT_FALSE(fs::exists(LogPath()));
      continue;
    }
    const std::string completion = TextName(kTextInstallCompleteCaption);
    const std::string end = "Copying \"f0.txt\"...OK\r\n\r\n" + completion + "\r\n";
    ASSERT_TRUE(EndsWith(before, end)) << before;
    EXPECT_EQ(ReadText(LogPath()), before.substr(0, before.size() - end.size()) +
                                       "Copying \"f0.txt\"...OK\r\n" + failures + "\r\n" +
                                       completion + "\r\n");
    EXPECT_EQ(ReadText(LogPath()).rfind(earlier + kSeparator, 0), 0u);
  }
}

// ---- Real installers ----

// The Add/Remove Programs key of an installed version, named after the test.
class InstalledKey : public TestKey {
 public:
  explicit InstalledKey(const std::wstring& keyName)
      : TestKey(HKEY_LOCAL_MACHINE, UninstallKey(keyName)) {}
};

// Without bit 6 a run without failures writes no log; with it every run appends one more.
TEST_F(InstallSequence, InstallLogOfSuccessfulRuns) {
  const fs::path without = Folder() / "without";
  RunResult none =
      RunInstaller(Installer(SequenceProduct(kQuiet)), DirectorySwitch(without) + L" /a");
  EXPECT_TRUE(WorkDone(none)) << none;
  EXPECT_FALSE(fs::exists(without / "Install.LOG")) << none;

  const fs::path app = Folder() / "app";
  const fs::path log = app / "Install.LOG";
  const std::vector<uint8_t> installer =
      Installer(SequenceProduct(kQuiet | kFlagWriteInstallLogAlways));
  RunResult one = RunInstaller(installer, DirectorySwitch(app) + L" /a");
  EXPECT_TRUE(WorkDone(one)) << one;
  const std::string first = ReadText(log);
  EXPECT_EQ(first.rfind("Installation log for: Test Product\r\nInstall date: ", 0), 0u) << first;
  for (const std::string& line : {"\r\nInstall location: " + Utf8(app) + "\r\n",
                                  std::string("\r\nInstaller version: 29.0.6\r\n"),
                                  std::string("\r\nProduct version: 2.0\r\n"),
                                  std::string("\r\nOperating system: Windows ")}) {
    EXPECT_NE(first.find(line), std::string::npos) << line << first;
  }
  EXPECT_EQ(first.find("Install type"), std::string::npos) << first;
  EXPECT_EQ(first.find("Overwriting version"), std::string::npos) << first;
  EXPECT_TRUE(EndsWith(first, "\r\n\r\n" + TextName(kTextInstallCompleteCaption) + "\r\n"))
      << first;

  RunResult two = RunInstaller(installer, DirectorySwitch(app) + L" /a");
  EXPECT_TRUE(WorkDone(two)) << two;
  const std::string both = ReadText(log);
  EXPECT_EQ(both.rfind(first + kSeparator + "Installation log for: Test Product\r\n", 0), 0u)
      << both;
  EXPECT_EQ(Count(both, "Installation log for: "), 2u) << both;
  EXPECT_TRUE(EndsWith(both, "\r\n\r\n" + TextName(kTextInstallCompleteCaption) + "\r\n")) << both;
}

// A /r program that does not start fails after the log was written; its line still reaches
// Install.LOG. Run without a transcript, so that the program is really started.
TEST_F(InstallSequence, FailedRProgramIsInTheWrittenLog) {
  const fs::path app = Folder() / "app";
  RunOptions options;
  options.transcript = false;
  RunResult result =
      RunInstaller(Installer(SequenceProduct(kQuiet | kFlagWriteInstallLogAlways)),
                   DirectorySwitch(app) + L" /a /r:\"no-such-program.exe\"", options);
  EXPECT_EQ(result.exitCode, 1u) << result;
  const std::string text = ReadText(app / "Install.LOG");
  EXPECT_TRUE(EndsWith(text,
                       "Launch on exit: no-such-program.exe\r\n"
                       "Failed to launch command: no-such-program.exe\r\n" +
                           SystemErrorText(ERROR_FILE_NOT_FOUND) + "\r\n" +
                           TextName(kTextInstallCompleteCaption) + "\r\n"))
      << text;
}

// An uninstallable product says whether it installs anew or over an installed version, and
// which version it replaces.
TEST_F(InstallSequence, InstallLogTellsANewInstallationFromAReinstallation) {
  struct Case {
    const char* name;
    const wchar_t* installedVersion;  // null: nothing installed
    std::vector<std::string> present;
    std::vector<std::string> absent;
  };
  const Case cases[] = {
      {"New", nullptr, {"\r\nInstall type: New\r\n"}, {"Overwriting version"}},
      {"Reinstall",
       L"1.0",
       {"\r\nInstall type: Reinstall\r\n",
        "\r\nProduct version: 2.0\r\nOverwriting version: 1.0\r\n"},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path app = MadeFolder(c.name);
    InstalledKey key(OwnName());
    if (c.installedVersion != nullptr) {
      key.Set(L"InstallLocation", app.wstring());
      key.Set(L"DisplayVersion", c.installedVersion);
    }
    ProductSettings product = SequenceProduct(
        kQuiet | kFlagUninstallable | kFlagNoPreviousInstallQuestion | kFlagWriteInstallLogAlways);
    product.uninstallKeyName = AsU16(OwnName());
    RunResult result = RunInstaller(Installer(product), DirectorySwitch(app) + L" /a");
    EXPECT_TRUE(WorkDone(result)) << result;
    const std::string text = ReadText(app / "Install.LOG");
    for (const std::string& part : c.present) EXPECT_NE(text.find(part), std::string::npos) << text;
    for (const std::string& part : c.absent) EXPECT_EQ(text.find(part), std::string::npos) << text;
  }
}

// A failed run writes its log even without bit 6, with the failure summary at its end, and
// offers it (kTextFailureQuestion); Yes opens it through the shell. The failures: a file whose
// folder cannot be made because a file has its name, or that lies on a drive the system lacks; a
// readme that cannot be written because a folder has its name.
TEST_F(InstallSequence, FailedRunWritesAndOffersItsLog) {
  std::string missingDrive;
  const DWORD drives = ::GetLogicalDrives();
  for (char letter = 'Y'; letter > 'C' && missingDrive.empty(); --letter) {
    if ((drives & (1u << (letter - 'A'))) == 0) missingDrive = std::string(1, letter) + ":";
  }
  ASSERT_FALSE(missingDrive.empty());

  enum class Cause { kFolderBlocked, kMissingDrive, kReadmeBlocked };
  struct Case {
    const char* name;
    Cause cause;
    const wchar_t* arguments;
    std::vector<std::string> answers;
    bool asked;
    bool opened;
  };
  const Case cases[] = {
      {"Viewed", Cause::kFolderBlocked, L"", {"yes"}, true, true},
      {"Declined", Cause::kFolderBlocked, L"", {"no"}, true, false},
      {"Automatic", Cause::kFolderBlocked, L"/a", {}, false, false},
      {"MissingDrive", Cause::kMissingDrive, L"/a", {}, false, false},
      {"ReadmeViewed", Cause::kReadmeBlocked, L"", {"ok", "yes"}, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path app = MadeFolder(c.name);
    const std::string log = Utf8(app / "Install.LOG");
    ProductSettings product = SequenceProduct(kQuiet);
    builder::PayloadFile file = MakeFile("b.txt", "b");
    std::string summary;  // what the log ends with after the heading
    switch (c.cause) {
      case Cause::kFolderBlocked: {
        WriteText(app / "blocker", "a file");
        file.destination = "blocker\\";
        const std::string folder = Utf8(app / "blocker");
        summary = TextName(kTextCannotCreateFolder) + " " + folder +
                  "\r\nCannot create directory because there is a file with the same name.\r\n\r\n"
                  "Not installed: " +
                  folder + "\\b.txt\r\n\r\n";
        break;
      }
      case Cause::kMissingDrive:
        file.destination = missingDrive + "\\Nowhere\\";
        summary = "Not installed: " + missingDrive + "\\Nowhere\\b.txt\r\n\r\n";
        break;
      case Cause::kReadmeBlocked:
        fs::create_directory(app / "readme.txt");
        product.ProductFlags |= kFlagWriteReadmeFiles;
        product.readmes = {{'R', '1'}};
        summary = "\r\n";
        break;
    }
    const std::vector<uint8_t> installer =
        MakeInstaller(MakePayload({file}, {}, 0, SettingsStream(product)));
    RunResult result =
        RunInstaller(installer, DirectorySwitch(app) + L" " + c.arguments, Answers(c.answers));
    EXPECT_EQ(result.exitCode, 1u) << result;
    EXPECT_TRUE(WorkDone(result)) << result;
    EXPECT_EQ(result.MessageTexts(),
              std::vector<std::string>(c.asked ? 1 : 0, TextName(kTextFailureQuestion) + " " + log))
        << result;
    const Launches opened = {{"open", log, ""}};
    EXPECT_EQ(LaunchesOf(result), c.opened ? opened : Launches{}) << result;

    const std::string text = ReadText(app / "Install.LOG");
    EXPECT_EQ(text.rfind("Installation log for: Test Product\r\n", 0), 0u) << text;
    EXPECT_NE(text.find("\r\n\r\n*** FAILURE SUMMARY ***\r\n"), std::string::npos) << text;
    EXPECT_TRUE(EndsWith(text, summary)) << text;
    if (c.cause == Cause::kReadmeBlocked) {
      EXPECT_NE(text.find("*** FAILURE SUMMARY ***\r\nFailed to write \"" +
                          Utf8(app / "readme.txt") + "\": "),
                std::string::npos)
          << text;
    }
    EXPECT_EQ(text.find(TextName(kTextInstallCompleteCaption)), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace qs::systest
