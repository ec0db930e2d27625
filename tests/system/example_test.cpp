// The example product, built from its project file with the builder library, installs under
// Wine: its settings read without error and every file is taken in order.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/text.h"
#include "base/text_win.h"
#include "builder/project_file.h"
#include "core/text_ids.h"
#include "file_fixtures.h"
#include "harness_win.h"
#include "registration_fixtures.h"

namespace qs::systest {
namespace {

class ExampleTest : public SystemTest {
 protected:
  void SetUp() override {
    SystemTest::SetUp();
    std::string error;
    ASSERT_TRUE(
        builder::LoadProject(SourcePath("examples/hello/hello.toml").string(), project, error))
        << error;
    // Registered under a name of the test's own: the installations of tests running side by side
    // would otherwise find each other as the previous installation.
    keyName_ =
        L"Hello." + Utf8ToWide(::testing::UnitTest::GetInstance()->current_test_info()->name());
    project.settings.uninstallKeyName = AsU16(keyName_);
    DeleteRegistration(keyName_);
    ASSERT_TRUE(builder::BuildInstaller(project, StubBytes(), installer, error)) << error;
  }

  void TearDown() override {
    DeleteRegistration(keyName_);
    SystemTest::TearDown();
  }

  // The product's own text, as the builder stored it.
  std::string Text(TextId id) const {
    const LanguageTable& table = project.settings.languages;
    const std::u16string* text = table.Find(id, table.defaultLanguage);
    return text != nullptr ? WideToUtf8(std::wstring(text->begin(), text->end())) : std::string();
  }

  builder::Project project;
  std::vector<uint8_t> installer;

 private:
  std::wstring keyName_;
};

// Every file of the product is in place with its content, in the order stored.
TEST_F(ExampleTest, BuiltExampleRunsSilently) {
  const std::filesystem::path target = Folder() / L"Hello";
  RunResult result = RunInstaller(installer, L"/a /d:\"" + target.wstring() + L"\"");
  EXPECT_EQ(result.exitCode, 1u) << result;
  EXPECT_TRUE(result.MessageTexts().empty()) << result;
  ASSERT_FALSE(project.files.empty());
  std::vector<std::string> destinations;
  for (const builder::PayloadFile& file : project.files) {
    destinations.push_back(WideToUtf8(target.wstring()) + "\\" + file.name);
    std::ifstream in(target / Utf8ToWide(file.name), std::ios::binary);
    ASSERT_TRUE(in) << file.name;
    const std::vector<uint8_t> content{std::istreambuf_iterator<char>(in),
                                       std::istreambuf_iterator<char>()};
    EXPECT_EQ(content, file.content) << file.name;
  }
  EXPECT_EQ(result.Items(), destinations) << result;
}

// Installed again into the same folder: the settings file the user changed is kept, with the
// sentence that says why in Install.LOG (in the uninstall data folder), after the first run's log
// and the asterisk line.
TEST_F(ExampleTest, SecondInstallationKeepsTheSettingsFile) {
  const std::filesystem::path target = Folder() / L"Hello";
  const std::wstring arguments = L"/a /d:\"" + target.wstring() + L"\"";
  RunResult first = RunInstaller(installer, arguments);
  ASSERT_EQ(first.exitCode, 1u) << first;
  const std::string firstLog = ReadText(target / L"Uninstall" / L"Install.LOG");
  ASSERT_NE(firstLog.find("Installation log for: Hello\r\n"), std::string::npos) << firstLog;

  WriteText(target / L"hello.ini", "hello=changed\r\n");
  RunResult second = RunInstaller(installer, arguments);
  ASSERT_EQ(second.exitCode, 1u) << second;
  EXPECT_EQ(ReadText(target / L"hello.ini"), "hello=changed\r\n");
  const std::string log = ReadText(target / L"Uninstall" / L"Install.LOG");
  ASSERT_TRUE(log.starts_with(firstLog)) << log;
  const std::string appended = log.substr(firstLog.size());
  EXPECT_TRUE(appended.starts_with("\r\n\r\n" + std::string(46, '*') + "\r\n")) << appended;
  const std::string kept =
      WideToUtf8(target.wstring()) + "\\hello.ini was not installed because it already exists.\r\n";
  EXPECT_NE(appended.find(kept), std::string::npos) << appended;
  EXPECT_EQ(firstLog.find(kept), std::string::npos) << firstLog;
}

// The same installer, interactively: every page the product has is shown in order, the folder
// typed on the directory page is taken, and the end is reported with the product's texts.
TEST_F(ExampleTest, BuiltExampleRunsInteractively) {
  const std::wstring target = (Folder() / L"Typed Folder" / L"Hello").wstring();
  RunOptions options;
  options.answers = {"next", "next", "next " + WideToUtf8(target)};
  RunResult result = RunInstaller(installer, {}, options);
  EXPECT_EQ(result.exitCode, 1u) << result;

  std::vector<std::string> pages;
  for (const TranscriptRecord& page : result.Records("page")) pages.push_back(page.Field(0));
  EXPECT_EQ(pages, (std::vector<std::string>{"greeting", "readme", "directory"})) << result;
  std::vector<TranscriptRecord> directory = result.Records("page");
  ASSERT_EQ(directory.size(), 3u);
  EXPECT_EQ(directory[2].Field(6), WideToUtf8(target)) << result;

  std::vector<TranscriptRecord> progressPage = result.Records("progresspage");
  ASSERT_EQ(progressPage.size(), 2u) << result;
  EXPECT_EQ(progressPage[0].Field(0), "open");
  EXPECT_EQ(progressPage[1].Field(0), "close");

  std::vector<TranscriptRecord> messages = result.Records("message");
  ASSERT_EQ(messages.size(), 1u) << result;
  std::string expected = Text(kTextInstallComplete);
  const std::string placeholder = "<product>";
  if (size_t at = expected.find(placeholder); at != std::string::npos) {
    expected.replace(at, placeholder.size(), Utf16ToUtf8(project.settings.DisplayName));
  }
  EXPECT_EQ(MessageText(messages[0]), expected);
  EXPECT_EQ(MessageCaption(messages[0]), Text(kTextInstallCompleteCaption));
}

}  // namespace
}  // namespace qs::systest
