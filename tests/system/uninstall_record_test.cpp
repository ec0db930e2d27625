// Uninstall.DAT on a real file system, inside this process: written whole and read back in a
// folder whose name the code page lacks, the failure line when it cannot be written, the
// message when it cannot be read (in a child run with a transcript), and the record an
// installation leaves from the product's texts and the run's sections.
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/system_error_win.h"
#include "base/text_win.h"
#include "core/language_texts.h"
#include "core/product_win.h"
#include "file_fixtures.h"
#include "files/deletion_conditions.h"
#include "install_sequence_fixture.h"
#include "ui/transcript_file_win.h"
#include "ui/user_interface_win.h"
#include "uninstall/record_digest_win.h"
#include "uninstall/uninstall_record_win.h"

namespace qs::systest {
namespace {

// Each text of the product names itself (TextName); the record's folder is made per test.
class UninstallRecordFiles : public SystemTest {
 protected:
  void SetUp() override {
    SystemTest::SetUp();
    Product() = SequenceProduct(0, {"English", "Deutsch"});
    Texts() = LanguageTexts(&Product().languages, {u"App", u"", u""});
  }

  // The files in `folder`, by name.
  static std::vector<std::wstring> FileNames(const fs::path& folder) {
    std::vector<std::wstring> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
      names.push_back(entry.path().filename().wstring());
    }
    return names;
  }

  static UninstallRecord SampleRecord() {
    UninstallRecord record;
    for (TextId number : kUninstallTextNumbers) record.texts[number] = "";
    record.texts[kTextUninstallQuestion] = "Entfernen? \xC3\x84\xE6\x97\xA5";
    record.texts[kTextRecordDialogCaption] = "Two\r\nlines";
    record.autoClose = {{"Cls", "Title, \"x\"", "Name", 2, 4}};
    record.associations = {{".txt", "App.Text", "open"}};
    record.firewallLines = {"80;Web;1;0"};
    record.registry2Text = "\\HKLM\\Software\\Maker\\App\r\n";
    record.conditionalDeletes = {{"%InstallDir%\\*.log", kDeleteAlways, "", kDeleteModeUninstall}};
    return record;
  }
};

TEST_F(UninstallRecordFiles, WrittenWholeAndReadBackInANonAsciiFolder) {
  const fs::path folder = Folder() / L"Caf\u00E9 \u65E5\u672C \u03A9";
  fs::create_directories(folder);
  const std::string narrow = Narrow(folder.wstring());
  ASSERT_EQ(narrow.front(), '|');
  const std::string removalList = narrow + "\\app.exe\r\n~" + narrow + "\r\n";

  const UninstallRecord record = SampleRecord();
  std::u16string summary;
  ASSERT_TRUE(SaveUninstallData(nullptr, folder.u16string(), removalList, record, summary));
  EXPECT_EQ(summary, u"");
  EXPECT_EQ(ReadText(folder / "Uninstall.DAT"), FormatUninstallRecord(removalList, record));

  UninstallRecord read;
  ASSERT_TRUE(LoadUninstallData(nullptr, folder.u16string(), u"App", read));
  UninstallRecord expected = record;
  expected.removalEntries = {narrow + "\\app.exe", "~" + narrow};
  EXPECT_EQ(read, expected);

  // A second write replaces the whole file, a shorter one included, and leaves nothing beside
  // it.
  ASSERT_TRUE(SaveUninstallData(nullptr, folder.u16string(), "", UninstallRecord{}, summary));
  EXPECT_EQ(ReadText(folder / "Uninstall.DAT"), FormatUninstallRecord("", UninstallRecord{}));
  EXPECT_EQ(FileNames(folder), std::vector<std::wstring>{L"Uninstall.DAT"});
  EXPECT_EQ(summary, u"");
}

// A folder in the way of the file, or no folder at all: kTextCannotWriteFile, the path and the
// system's text go to the summary; whatever was there stays and no half-written file is left.
TEST_F(UninstallRecordFiles, WriteFailureGoesToTheSummary) {
  struct Case {
    const char* name;
    bool makeFolder;
    bool folderInTheWay;
    DWORD error;
  };
  const Case cases[] = {
      {"FolderInTheWay", true, true, ERROR_ACCESS_DENIED},
      {"NoFolder", false, false, ERROR_PATH_NOT_FOUND},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path folder = Folder() / c.name;
    if (c.makeFolder) fs::create_directories(folder);
    if (c.folderInTheWay) fs::create_directories(folder / "Uninstall.DAT" / "inside");
    const std::string path = WideToUtf8(folder.wstring()) + "\\Uninstall.DAT";

    std::u16string wideSummary = u"earlier\r\n";
    EXPECT_FALSE(SaveUninstallData(nullptr, folder.u16string(), "C:\\App\\a.txt\r\n",
                                   SampleRecord(), wideSummary));
    const std::string summary = WideToUtf8(wideSummary);
    const std::string prefix = "earlier\r\n" + TextName(kTextCannotWriteFile) + " " + path + "\r\n";
    ASSERT_EQ(summary.substr(0, prefix.size()), prefix);
    EXPECT_FALSE(SystemErrorText(c.error).empty());
    EXPECT_EQ(summary.substr(prefix.size()), SystemErrorText(c.error) + "\r\n\r\n");
    if (c.folderInTheWay) {
      EXPECT_TRUE(fs::is_directory(folder / "Uninstall.DAT" / "inside"));
      EXPECT_EQ(FileNames(folder), std::vector<std::wstring>{L"Uninstall.DAT"});
    }
  }
}

// The uninstaller knows only the texts the record keeps, and this one is not among them: its
// failed rewrite names the failure in the built-in English words instead of starting with a
// blank.
TEST_F(UninstallRecordFiles, WriteFailureWithoutItsText) {
  LanguageTable& table = Product().languages;
  table.texts[kTextCannotWriteFile * table.names.size()] = u"";
  const fs::path folder = Folder() / "Missing";
  std::u16string summary;
  EXPECT_FALSE(SaveUninstallData(nullptr, folder.u16string(), "", SampleRecord(), summary));
  EXPECT_EQ(WideToUtf8(summary), "Could not write " + WideToUtf8(folder.wstring()) +
                                     "\\Uninstall.DAT\r\n" + SystemErrorText(ERROR_PATH_NOT_FOUND) +
                                     "\r\n\r\n");
}

constexpr char kLoadChild[] = "UninstallRecordChild.LoadsAMissingRecord";
constexpr wchar_t kChildFolderVariable[] = L"QS_UNINSTALL_RECORD_FOLDER";

// Started by the test below with a transcript; skipped when run on its own.
TEST(UninstallRecordChild, LoadsAMissingRecord) {
  if (TranscriptPath().empty()) GTEST_SKIP() << "runs only as the child of a recording test";
  StartUserInterface();
  wchar_t folder[MAX_PATH] = {};
  ASSERT_NE(::GetEnvironmentVariableW(kChildFolderVariable, folder, MAX_PATH), 0u);
  UninstallRecord record;
  record.firewallLines = {"left alone"};
  EXPECT_FALSE(LoadUninstallData(nullptr, AsU16(folder), u"Caf\u00e9 App", record));
  EXPECT_EQ(record.firewallLines, std::vector<std::string>{"left alone"});
}

TEST_F(UninstallRecordFiles, MissingRecordShowsTheLoadMessage) {
  const fs::path folder = Folder() / L"Gone \u00C4";
  fs::create_directories(folder);
  wchar_t self[MAX_PATH];
  ASSERT_NE(::GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  RunOptions options;
  options.environment = {{kChildFolderVariable, folder.wstring()}};
  RunResult result =
      RunProgram(self, QuotedCommandLine(self, L"--gtest_filter=" + Utf8ToWide(kLoadChild)),
                 Folder(), options);
  ASSERT_EQ(result.exitCode, 0u) << result;

  const std::string path = Utf8(folder) + "\\Uninstall.DAT";
  const std::vector<std::string> expected = {
      "The uninstall information for Caf\xC3\xA9 App could not be loaded.\r\n\r\nFilepath: " +
      path + "\r\nCode 2: " + WideToUtf8(SystemErrorTextWide(ERROR_FILE_NOT_FOUND))};
  EXPECT_EQ(result.MessageTexts(), expected) << result;
  for (const TranscriptRecord& message : result.Records("message")) {
    EXPECT_EQ(MessageIcon(message), "error") << result;
  }
}

// The record an installation leaves: the product's texts in the chosen language with their
// placeholders, the caption, the lists of the settings and the run's sections.
TEST_F(UninstallRecordFiles, InstallationRecordFromTheProductAndTheRun) {
  ProductSettings& product = Product();
  LanguageTable& table = product.languages;
  const size_t german = 1;
  table.texts[kTextUninstallComplete * table.names.size() + german] =
      u"<product> ist entfernt. \u00C4";
  table.texts[kTextCannotRemoveFile * table.names.size() + german] = u"Half \xD800 pair";
  Texts().Choose(german);
  product.dialogCaption = u"Setup \u65E5\u672C";
  product.autoCloseEntries = {{"Cls", "Title", "Name", 2, 4}};
  product.registryText = "\\HKLM\\Software\\Maker\\App\r\n\\HKLM\\Software\\Maker\\App,V,0,x,0,0";
  product.conditionalDeletes = {{"a.log", kDeleteAlways, "", kDeleteModeInstall},
                                {"b.log", kDeleteDateEqual, "2024-01-01", kDeleteModeUninstall}};

  InstallRun run;
  run.uninstallDir = (Folder() / "App").u16string();
  fs::create_directories(Folder() / "App");
  run.removalList = "C:\\App\\a.txt\r\n~C:\\App\\Docs\r\n";
  run.associationLines = {".txt~!~App.Text~!~open", "broken line"};
  run.firewallLines = {"80;Web;1;0"};
  run.infLines = {"C:\\Windows\\INF\\oem3.inf"};
  run.msiLines = {"\"C:\\App\\r.msi\",2"};
  run.appletLines = {
      "\\HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Control Panel\\Cpls\\App"};

  const UninstallRecord record = InstallationRecord(run);
  EXPECT_EQ(record.removalEntries, (std::vector<std::string>{"C:\\App\\a.txt", "~C:\\App\\Docs"}));
  ASSERT_EQ(record.texts.size(), kUninstallTextNumbers.size() + 1);
  EXPECT_EQ(record.texts.at(kTextUninstallFailed), TextName(kTextUninstallFailed, "Deutsch"));
  EXPECT_EQ(record.texts.at(kTextUninstallComplete), "App ist entfernt. \xC3\x84");
  EXPECT_EQ(record.texts.at(kTextCannotRemoveFile), "Half ? pair");
  EXPECT_EQ(record.texts.at(kTextUninstallCancelled), TextName(kTextUninstallCancelled, "Deutsch"));
  EXPECT_EQ(record.texts.at(kTextRecordDialogCaption), "Setup \xE6\x97\xA5\xE6\x9C\xAC");
  EXPECT_EQ(record.autoClose, product.autoCloseEntries);
  EXPECT_EQ(record.associations, (std::vector<RecordedAssociation>{{".txt", "App.Text", "open"}}));
  EXPECT_EQ(record.firewallLines, run.firewallLines);
  EXPECT_EQ(record.infLines, run.infLines);
  EXPECT_EQ(record.msiLines, run.msiLines);
  EXPECT_EQ(record.registryLines, run.appletLines);
  EXPECT_EQ(record.registry2Text, product.registryText);
  EXPECT_EQ(record.conditionalDeletes, product.conditionalDeletes);

  // Through the file: the uninstaller sees the same, less the install-time deletes; the
  // script gains the line break it lacked.
  std::u16string summary;
  ASSERT_TRUE(SaveUninstallData(nullptr, run.uninstallDir, run.removalList, record, summary));
  UninstallRecord read;
  ASSERT_TRUE(LoadUninstallData(nullptr, run.uninstallDir, u"App", read));
  UninstallRecord expected = record;
  expected.registry2Text += "\r\n";
  expected.conditionalDeletes = {product.conditionalDeletes[1]};
  EXPECT_EQ(read, expected);
}

// The record's digest comes from the system's provider: SHA-256 of the standard test texts.
TEST(RecordDigestWin, Sha256OfKnownTexts) {
  struct Case {
    std::string text;
    const char* digest;
  };
  const Case cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RecordDigestOf(c.text).value_or("none"), c.digest) << c.text.size();
  }
}

}  // namespace
}  // namespace qs::systest
