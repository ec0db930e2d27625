// The wizard pages of the installation run: Cancel on each, the documents, the typed folder.
#include "install_sequence_fixture.h"

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
      EXPECT_EQ(MessageCaption(messages[0]), "T65") << result;
      EXPECT_EQ(MessageText(messages[0]), "T98") << result;
    }
  }
}

// Texts 63 and 64, when not empty, come first as documents of their own.
TEST_F(InstallSequence, DocumentPagesBeginWithTheLanguagesTexts) {
  ProductSettings product = SequenceProduct(kQuiet);
  product.languages.texts[63] = u"Licence words";
  product.languages.texts[64] = u"Readme words";
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

// The page opens on /d's folder, refuses a drive root (too short) with text 17 and opens again, and
// the folder finally typed is the installation folder.
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
  EXPECT_EQ(result.MessageTexts(), (std::vector<std::string>{"T17", "T42"})) << result;
  EXPECT_EQ(LaunchesOf(result), Started("x.exe", typed)) << result;
}

// ---- 28, 34: the end report and what is started afterwards ----

// A successful interactive run ends with text 42: in a box when there is nothing to choose,
// else on the summary page with a box for each subject. After the report the /r program starts
// first, then the choices in a fixed order, each in the installation folder.

}  // namespace
}  // namespace qs::systest
