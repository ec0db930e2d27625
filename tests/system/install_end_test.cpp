// The end of the installation run: the end report and what starts after it, a failed run, the
// restart and the progress positions of the whole run.
#include <algorithm>

#include "base/text.h"
#include "base/text_win.h"
#include "core/payload_format.h"
#include "file_fixtures.h"
#include "install_sequence_fixture.h"
#include "tests/support/payload_damage.h"
#include "uninstall/uninstall_record.h"

namespace qs::systest {
namespace {

TEST_F(InstallSequence, EndReportAndTheLaunchesAfterIt) {
  const fs::path app = Folder() / "app";
  const std::string appText = Utf8(app);
  wchar_t system[MAX_PATH] = {};
  ASSERT_NE(::GetSystemDirectoryW(system, MAX_PATH), 0u);
  const std::string notepad = "\"" + WideToUtf8(system) + "\\notepad.exe\"";
  struct Case {
    const char* name;
    uint64_t flags;
    const char* finishLaunchProgram;
    bool otherSubjects;  // finishOpenFile and finishOpenOther
    const wchar_t* arguments;
    std::vector<std::string> answers;
    std::vector<std::string> messages;
    const char* summaryBoxes;  // null: no summary page
    Launches launches;
  };
  const Case cases[] = {
      {"NoFinishActions", 0, "", false, L"", {}, {TextName(kTextInstallComplete)}, nullptr, {}},
      {"LaunchChecked",
       0,
       "%InstallDir%\\x.exe",
       false,
       L"",
       {"ok launch"},
       {},
       "launch",
       Started(appText + "\\x.exe", app)},
      {"NothingChecked", 0, "%InstallDir%\\x.exe", false, L"", {"ok"}, {}, "launch", {}},
      {"NoEndReport", kFlagNoEndReport, "x.exe", false, L"", {}, {}, nullptr, {}},
      // A silent installation reports nothing and still ends with 1; /r's program starts all
      // the same.
      {"AutomaticWithR",
       0,
       "x.exe",
       false,
       L"/a /r:\"notepad.exe readme.txt\"",
       {},
       {},
       nullptr,
       Started("notepad.exe readme.txt", app)},
      {"EveryChoiceInOrder",
       kFlagOfferToViewLog | kFlagWriteInstallLogAlways,
       "x.exe",
       true,
       L"/r:\"first.exe\"",
       {"ok open,launch,log,other"},
       {},
       "open,launch,log,other",
       {{"start", "first.exe", appText},
        {"open", "readme.txt", appText},
        {"start", "x.exe", appText},
        {"start", notepad + " \"" + appText + "\\Install.LOG\"", appText},
        {"open", appText + "\\docs\\index.html", appText}}},
      // A run that does not always write its log leaves none to view: no box for it.
      {"NoLogToView",
       kFlagOfferToViewLog,
       "",
       false,
       L"",
       {"ok log"},
       {TextName(kTextInstallComplete)},
       nullptr,
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProductSettings product = SequenceProduct(kQuiet | c.flags);
    product.finishLaunchProgram = Utf8ToUtf16(c.finishLaunchProgram);
    if (c.otherSubjects) {
      product.finishOpenFile = u"readme.txt";
      product.finishOpenOther = u"%InstallDir%\\docs\\index.html";
    }
    std::wstring arguments = DirectorySwitch(app) + L" " + c.arguments;
    RunResult result = RunInstaller(Installer(product), arguments, Answers(c.answers));
    EXPECT_EQ(result.exitCode, 1u) << result;
    EXPECT_EQ(result.MessageTexts(), c.messages) << result;
    for (const TranscriptRecord& message : result.Records("message")) {
      EXPECT_EQ(MessageIcon(message), "information") << result;
      EXPECT_EQ(MessageCaption(message), TextName(kTextInstallCompleteCaption)) << result;
    }
    std::vector<TranscriptRecord> pages = result.Records("page");
    ASSERT_EQ(pages.size(), c.summaryBoxes != nullptr ? 1u : 0u) << result;
    if (c.summaryBoxes != nullptr) {
      EXPECT_EQ(pages[0].Field(0), "summary") << result;
      EXPECT_EQ(pages[0].Field(2), TextName(kTextInstallCompleteCaption)) << result;
      EXPECT_EQ(pages[0].Field(3), TextName(kTextInstallComplete)) << result;
      EXPECT_EQ(pages[0].Field(4), c.summaryBoxes) << result;
    }
    EXPECT_EQ(LaunchesOf(result), c.launches) << result;
  }
}

// What starts at the end is exactly the program meant: the installation's own program by its
// full path (never a namesake beside the installer), and a path with blanks quoted whole.
TEST_F(InstallSequence, LaunchedProgramsAreQuotedAndFoundInTheInstallation) {
  const fs::path app = Folder() / "my app";
  const std::string appText = Utf8(app);
  ProductSettings product = SequenceProduct(kQuiet);
  product.finishLaunchProgram = u"%InstallDir%\\My Tool.exe";
  const std::vector<builder::PayloadFile> files = {MakeFile("My Tool.exe", "x"),
                                                   MakeFile("tool.exe", "x")};
  RunResult result =
      RunInstaller(MakeInstaller(MakePayload(files, {}, 0, SettingsStream(product))),
                   DirectorySwitch(app) + L" /r:\"tool.exe --now\"", Answers({"ok launch"}));
  EXPECT_EQ(LaunchesOf(result), (Launches{{"start", "\"" + appText + "\\tool.exe\" --now", appText},
                                          {"start", "\"" + appText + "\\My Tool.exe\"", appText}}))
      << result;
}

// A run with failures offers its log instead (kTextFailureQuestion with the log's path, under
// kTextFailureCaption) and starts no /r program; automatic runs ask nothing. Here one file is meant
// for a drive that does not exist.
TEST_F(InstallSequence, FailedRunOffersTheLogAndSkipsTheRProgram) {
  std::string drive;
  const DWORD drives = ::GetLogicalDrives();
  for (char letter = 'Y'; letter > 'C' && drive.empty(); --letter) {
    if ((drives & (1u << (letter - 'A'))) == 0) drive = std::string(1, letter) + ":";
  }
  ASSERT_FALSE(drive.empty());
  // The run fails on a file for a drive that is not there; its log can still be written.
  const std::string folder = Utf8(Folder() / "App");
  const std::string log = folder + "\\Install.LOG";
  struct Case {
    const char* name;
    const wchar_t* arguments;
    std::vector<std::string> answers;
    std::vector<std::string> messages;
    Launches launches;
  };
  const Case cases[] = {
      {"LogViewed",
       L"",
       {"yes"},
       {TextName(kTextFailureQuestion) + " " + log},
       {{"open", log, ""}}},
      {"LogDeclined", L"", {"no"}, {TextName(kTextFailureQuestion) + " " + log}, {}},
      {"Automatic", L"/a", {}, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProductSettings product = SequenceProduct(kQuiet);
    product.finishLaunchProgram = u"x.exe";
    std::wstring arguments = L"/d:\"" + Utf8ToWide(folder) + L"\" /r:\"after.exe\" " + c.arguments;
    builder::PayloadFile lost = MakeFile("f1.txt", "x");
    lost.destination = drive + "\\Nowhere\\";
    const std::vector<builder::PayloadFile> files = {MakeFile("f0.txt", "x"), lost};
    RunResult result =
        RunInstaller(MakeInstaller(MakePayload(files, {}, 0, SettingsStream(product))), arguments,
                     Answers(c.answers));
    EXPECT_EQ(result.exitCode, 1u) << result;
    EXPECT_TRUE(WorkDone(result)) << result;
    EXPECT_EQ(result.MessageTexts(), c.messages) << result;
    for (const TranscriptRecord& message : result.Records("message")) {
      EXPECT_EQ(MessageButtons(message), "yesno") << result;
      EXPECT_EQ(MessageCaption(message), TextName(kTextFailureCaption)) << result;
    }
    EXPECT_TRUE(PageKinds(result).empty()) << result;
    EXPECT_EQ(LaunchesOf(result), c.launches) << result;
  }
}

// ---- the documents as files ----

// With bits 46 and 47 the readme and licence documents are written as files into the
// installation folder, not into the uninstall data folder beside them, and are recorded for
// removal: one document as "readme.txt", several numbered from 1.
TEST_F(InstallSequence, DocumentFilesGoIntoTheInstallationFolder) {
  const std::wstring keyName = OwnName();
  DeleteRegistration(keyName);
  const fs::path app = Folder() / "app";
  ProductSettings product =
      SequenceProduct(kQuiet | kFlagUninstallable | kFlagNoPreviousInstallQuestion |
                      kFlagWriteReadmeFiles | kFlagWriteLicenseFiles);
  product.uninstallKeyName = AsU16(keyName);
  product.UninstallSubdir = u"Uninstall";
  product.readmes = {{'R', '1'}};
  product.licenses = {{'L', '1'}, {'L', '2'}};
  RunResult result = RunInstaller(Installer(product), DirectorySwitch(app) + L" /a");
  DeleteRegistration(keyName);
  EXPECT_TRUE(WorkDone(result)) << result;

  const std::vector<std::pair<const char*, const char*>> documents = {
      {"readme.txt", "R1"}, {"eula1.txt", "L1"}, {"eula2.txt", "L2"}};
  const std::vector<std::string> entries =
      ParseUninstallRecord(ReadText(app / "Uninstall" / "Uninstall.DAT")).removalEntries;
  for (const auto& [name, content] : documents) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ReadText(app / name), content);
    EXPECT_FALSE(fs::exists(app / "Uninstall" / name));
    EXPECT_NE(std::find(entries.begin(), entries.end(), Utf8(app / name)), entries.end());
  }
}

// ---- the restart ----

// A restart left over from the work is done without asking in automatic mode and asked for
// otherwise; a restart replaces whatever would be started at the end.
TEST_F(InstallSequence, RestartAtTheEnd) {
  struct Case {
    const char* name;
    uint64_t flags;
    const wchar_t* arguments;
    std::vector<std::string> answers;
    std::vector<std::string> messages;
    bool restart;
  };
  const Case cases[] = {
      {"AutomaticRestartsWithoutAsking", kFlagRestartRequired, L"/a", {}, {}, true},
      // The end report is the message, not the summary page, when a restart is due.
      {"InteractiveDeclined",
       kFlagRestartRequired,
       L"",
       {"no"},
       {TextName(kTextInstallComplete), TextName(kTextRestartQuestion)},
       false},
      {"InteractiveAccepted",
       kFlagRestartRequired,
       L"",
       {"yes"},
       {TextName(kTextInstallComplete), TextName(kTextRestartQuestion)},
       true},
      {"AutomaticAskedWhenTheProductSays",
       kFlagRestartRequired | kFlagAskRebootInAutomaticMode,
       L"/a",
       {"no"},
       {TextName(kTextRestartQuestion)},
       false},
      // A question the system could not show never restarts the machine.
      {"QuestionNotShown",
       kFlagRestartRequired,
       L"",
       {"unshown"},
       {TextName(kTextInstallComplete), TextName(kTextRestartQuestion)},
       false},
      {"NoRestartDue", 0, L"/a", {}, {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProductSettings product = SequenceProduct(kQuiet | c.flags);
    product.finishLaunchProgram = u"x.exe";
    std::wstring arguments =
        DirectorySwitch(Folder() / "app") + L" /r:\"after.exe\" " + c.arguments;
    RunResult result = RunInstaller(Installer(product), arguments, Answers(c.answers));
    EXPECT_EQ(result.exitCode, 1u) << result;
    EXPECT_EQ(result.MessageTexts(), c.messages) << result;
    EXPECT_TRUE(PageKinds(result).empty()) << result;
    for (const TranscriptRecord& message : result.Records("message")) {
      if (MessageText(message) != TextName(kTextRestartQuestion)) continue;
      EXPECT_EQ(MessageButtons(message), "yesno") << result;
      EXPECT_EQ(MessageCaption(message), TextName(kTextQuestionCaption)) << result;
    }
    EXPECT_EQ(result.Records("restart").size(), c.restart ? 1u : 0u) << result;
    EXPECT_EQ(LaunchesOf(result).size(), c.restart ? 0u : 1u) << result;
  }
}

// ---- the way out ----

// The progress page is closed once on every way out: at the end of a completed run, and by the
// exit when a damaged block ends the run in the middle of the files.
TEST_F(InstallSequence, EveryWayOutClosesTheProgressPage) {
  ProductSettings product = SequenceProduct(kQuiet | kFlagShowProgressPage);
  product.languages.texts[kTextCorruptReport] =
      Utf8ToUtf16(TextName(kTextCorruptReport) + " %d");  // the corrupt report names the error
  for (bool damaged : {false, true}) {
    SCOPED_TRACE(damaged ? "DamagedBlock" : "Completed");
    TestPayload payload = MakePayload({MakeFile("f0.txt", "x")}, {}, 0, SettingsStream(product));
    if (damaged) {
      const size_t checksum = payload.layout.blockOffsets[0] + 4;
      test_support::SetU32(payload.section, checksum,
                           test_support::GetU32(payload.section, checksum) + 1);
      test_support::RefreshAreaChecksum(payload.section, payload.layout);
    }
    RunResult result = RunInstaller(MakeInstaller(payload), L"/a");
    EXPECT_EQ(result.exitCode, 1u) << result;
    EXPECT_EQ(WorkDone(result), !damaged) << result;
    EXPECT_EQ(result.MessageTexts(),
              std::vector<std::string>(damaged ? 1 : 0, TextName(kTextCorruptReport) + " " +
                                                            std::to_string(kErrorBlockChecksum)))
        << result;
    const std::vector<TranscriptRecord> pages = result.Records("progresspage");
    ASSERT_EQ(pages.size(), 2u) << result;
    EXPECT_EQ(pages[0].Field(0), "open") << result;
    EXPECT_EQ(pages[1].fields, std::vector<std::string>{"close"}) << result;
    EXPECT_EQ(result.transcript.back().kind, "progresspage") << result;
  }
}

// ---- progress positions ----

TEST_F(InstallSequence, ProgressPositionsOfTheWholeRun) {
  // The progress page, when the product has one, frames the work.
  RunResult one =
      RunInstaller(Installer(SequenceProduct(kQuiet | kFlagShowProgressPage), 1), L"/a");
  EXPECT_EQ(ProgressPositions(one),
            (std::vector<int>{1, 2, 21, 26, 27, 28, 91, 92, 93, 95, 97, 98, 99, 100}))
      << one;
  ASSERT_GE(one.transcript.size(), 2u) << one;
  EXPECT_EQ(one.transcript.front().kind, "progresspage") << one;
  EXPECT_EQ(one.transcript.front().fields,
            (std::vector<std::string>{"open", TextName(kTextInstallerCaption),
                                      TextName(kTextInstalling), TextName(kTextInstallingHeading)}))
      << one;
  EXPECT_EQ(one.transcript.back().kind, "progresspage") << one;
  EXPECT_EQ(one.transcript.back().fields, std::vector<std::string>{"close"}) << one;

  // With 60 entries each entry's position comes right before its item, 28 + 62 * i / 60.
  RunResult sixty = RunInstaller(Installer(SequenceProduct(kQuiet), 60), L"/a");
  std::vector<int> beforeItems;
  int last = -1;
  for (const TranscriptRecord& record : sixty.transcript) {
    if (record.kind == "progress") last = std::stoi(record.Field(0));
    if (record.kind == "item") beforeItems.push_back(last);
  }
  ASSERT_EQ(beforeItems.size(), 60u) << sixty;
  EXPECT_EQ(beforeItems.front(), 28) << sixty;
  EXPECT_EQ(beforeItems[30], 59) << sixty;
  EXPECT_EQ(beforeItems.back(), 88) << sixty;
  for (size_t i = 1; i < beforeItems.size(); ++i) {
    EXPECT_GE(beforeItems[i], beforeItems[i - 1]) << i;
  }
  std::vector<int> positions = ProgressPositions(sixty);
  ASSERT_GE(positions.size(), 68u) << sixty;
  EXPECT_EQ(std::vector<int>(positions.end() - 8, positions.end()),
            (std::vector<int>{91, 92, 93, 95, 97, 98, 99, 100}))
      << sixty;
}

}  // namespace
}  // namespace qs::systest
