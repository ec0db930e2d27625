// The wizard pages of the installation run: Cancel on each, the documents, the typed folder.
#include <windows.h>
// windows.h first
#include <shlobj.h>

#include "install_sequence_fixture.h"
#include "integration/shell_folders_win.h"

namespace qs::systest {
namespace {

TEST_F(InstallSequence, CancelOnAPageEndsTheRun) {
  struct Case {
    const char* name;
    uint64_t flags;
    std::vector<std::string> languages;
    std::vector<std::vector<uint8_t>> licenses;
    std::vector<std::vector<uint8_t>> readmes;
    std::vector<std::string> answers;
    std::vector<std::string> pages;
    bool notice;
  };
  const std::vector<uint8_t> document = {'D', 'o', 'c'};
  const Case cases[] = {
      {"Language", 0, {"Deutsch", "English"}, {}, {}, {"cancel"}, {"language"}, false},
      {"Greeting", 0, {"English"}, {}, {}, {"cancel"}, {"greeting"}, false},
      {"SecondLicence",
       kFlagNoGreeting,
       {"English"},
       {document, document},
       {},
       {"next", "cancel"},
       {"license", "license"},
       true},
      {"Readme", kFlagNoGreeting, {"English"}, {}, {document}, {"cancel"}, {"readme"}, true},
      {"Directory",
       kFlagNoGreeting | kFlagOfferDirectoryPage,
       {"English"},
       {},
       {},
       {"cancel"},
       {"directory"},
       true},
      {"StartMenu",
       kFlagNoGreeting | kFlagOfferStartMenuPage,
       {"English"},
       {},
       {},
       {"cancel"},
       {"startmenu"},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProductSettings product = SequenceProduct(c.flags, c.languages);
    product.licenses = c.licenses;
    product.readmes = c.readmes;
    RunResult result =
        RunInstaller(Installer(product), DirectorySwitch(Folder() / "app"), Answers(c.answers));
    EXPECT_EQ(result.exitCode, 1u) << result;
    EXPECT_EQ(PageKinds(result), c.pages) << result;
    EXPECT_TRUE(result.Records("progress").empty()) << result;
    std::vector<TranscriptRecord> messages = result.Records("message");
    ASSERT_EQ(messages.size(), c.notice ? 1u : 0u) << result;
    if (c.notice) {
      EXPECT_EQ(MessageIcon(messages[0]), "warning") << result;
      EXPECT_EQ(MessageCaption(messages[0]), TextName(kTextInstallerCaption)) << result;
      EXPECT_EQ(MessageText(messages[0]), TextName(kTextInstallCancelled)) << result;
    }
  }
}

// The language's own licence and readme, when not empty, come first as documents of their own.
TEST_F(InstallSequence, DocumentPagesBeginWithTheLanguagesTexts) {
  ProductSettings product = SequenceProduct(kQuiet);
  product.languages.texts[kTextLanguageLicense] = u"Licence words";
  product.languages.texts[kTextLanguageReadme] = u"Readme words";
  product.licenses = {{'L', '1'}, {'L', '2'}};
  product.readmes = {{'R', '1'}};
  RunResult result = RunInstaller(Installer(product));
  EXPECT_EQ(result.exitCode, 1u) << result;
  std::vector<std::string> shown;
  for (const TranscriptRecord& page : result.Records("page")) {
    shown.push_back(page.Field(0) + ": " + page.Field(4));
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"license: Licence words", "license: L1", "license: L2",
                                             "readme: Readme words", "readme: R1"}))
      << result;
  EXPECT_TRUE(WorkDone(result)) << result;
}

// The page opens on /d's folder, refuses a drive root (too short) with kTextFolderTooShort and
// opens again, and the folder finally typed is the installation folder.
TEST_F(InstallSequence, DirectoryPageTakesTheTypedFolder) {
  const fs::path fromD = Folder() / "from d";
  const fs::path typed = Folder() / "typed";
  RunResult result = RunInstaller(Installer(SequenceProduct(kQuiet | kFlagOfferDirectoryPage)),
                                  DirectorySwitch(fromD) + L" /r:\"x.exe\"",
                                  Answers({"next C:\\", "next " + Utf8(typed)}));
  EXPECT_EQ(result.exitCode, 1u) << result;
  std::vector<TranscriptRecord> pages = result.Records("page");
  ASSERT_EQ(pages.size(), 2u) << result;
  EXPECT_EQ(pages[0].Field(0), "directory") << result;
  EXPECT_EQ(pages[0].Field(4), Utf8(fromD)) << result;
  EXPECT_EQ(pages[1].Field(6), Utf8(typed)) << result;
  EXPECT_EQ(result.MessageTexts(), (std::vector<std::string>{TextName(kTextFolderTooShort),
                                                             TextName(kTextInstallComplete)}))
      << result;
  EXPECT_EQ(LaunchesOf(result), Started("x.exe", typed)) << result;
}

// ---- the end report and what is started afterwards ----

// A successful interactive run ends with kTextInstallComplete: in a box when there is nothing to
// choose, else on the summary page with a box for each subject. After the report the /r program
// starts first, then the choices in a fixed order, each in the installation folder.

// The folder page comes back until the folder passes its checks; each refusal names the
// problem with its own text, in the order the checks run.
TEST_F(InstallSequence, DirectoryPageRefusesUntilTheFolderPasses) {
  // The folder as the installer sees it (with " (x86)" on a 64-bit system).
  const std::wstring programFiles = ProgramsDir();
  ASSERT_FALSE(programFiles.empty());
  std::string missingDrive;
  const DWORD drives = ::GetLogicalDrives();
  for (char letter = 'Z'; letter > 'D' && missingDrive.empty(); --letter) {
    if ((drives & (1u << (letter - 'A'))) == 0) missingDrive = std::string(1, letter) + ":";
  }
  ASSERT_FALSE(missingDrive.empty());
  const fs::path aFile = Folder() / "a file";
  WriteFile("a file", {'x'});
  const fs::path good = Folder() / "good";

  ProductSettings product = SequenceProduct(kQuiet | kFlagOfferDirectoryPage);
  RunResult result =
      RunInstaller(Installer(product), {},
                   Answers({"next " + missingDrive + "\\Apps", "next " + WideToUtf8(programFiles),
                            "next C:\\", "next " + Utf8(aFile / "sub"), "next " + Utf8(good)}));
  EXPECT_EQ(result.exitCode, 1u) << result;
  EXPECT_EQ(PageKinds(result), std::vector<std::string>(5, "directory")) << result;
  std::vector<std::string> texts = result.MessageTexts();
  ASSERT_EQ(texts.size(), 5u) << result;
  EXPECT_EQ(texts[0], TextName(kTextNoSuchDrive) + " " + missingDrive);
  EXPECT_EQ(texts[1], TextName(kTextProgramFilesItself) + " " + WideToUtf8(programFiles));
  EXPECT_EQ(texts[2], TextName(kTextFolderTooShort));
  EXPECT_EQ(texts[3].rfind(
                TextName(kTextCannotCreateFolder) + " \"" + Utf8(aFile / "sub") + "\"\r\n\r\n", 0),
            0u)
      << texts[3];
  EXPECT_EQ(texts[4], TextName(kTextInstallComplete));
  EXPECT_FALSE(fs::exists(aFile / "sub"));
  EXPECT_TRUE(WorkDone(result)) << result;
}

// Too little space is a question, not a refusal; with the confirmation flag the folder to be
// made is asked about too. Each No returns to the page.
TEST_F(InstallSequence, DirectoryPageQuestions) {
  const fs::path target = Folder() / "new folder";
  ProductSettings product =
      SequenceProduct(kQuiet | kFlagOfferDirectoryPage | kFlagConfirmDirectory);
  product.extraDiskSpace = uint64_t{1} << 60;  // more than any drive holds
  const std::string next = "next " + Utf8(target);
  RunResult result = RunInstaller(Installer(product), {},
                                  Answers({next, "no", next, "yes", "no", next, "yes", "yes"}));
  EXPECT_EQ(result.exitCode, 1u) << result;
  EXPECT_EQ(PageKinds(result), std::vector<std::string>(3, "directory")) << result;
  std::vector<TranscriptRecord> messages = result.Records("message");
  ASSERT_EQ(messages.size(), 6u) << result;
  const std::string expected[] = {TextName(kTextLowDiskSpace), TextName(kTextLowDiskSpace),
                                  TextName(kTextCreateFolder), TextName(kTextLowDiskSpace),
                                  TextName(kTextCreateFolder), TextName(kTextInstallComplete)};
  for (size_t i = 0; i < messages.size(); ++i) {
    EXPECT_EQ(MessageText(messages[i]).rfind(expected[i], 0), 0u) << i << result;
  }
  // The space question names both amounts and is asked under kTextQuestionCaption.
  EXPECT_NE(MessageText(messages[0]).find(" TB"), std::string::npos) << result;
  EXPECT_EQ(MessageCaption(messages[0]), TextName(kTextQuestionCaption));
  EXPECT_EQ(MessageCaption(messages[2]), TextName(kTextFolderPageTitle));
  EXPECT_TRUE(WorkDone(result)) << result;
}

}  // namespace
}  // namespace qs::systest
