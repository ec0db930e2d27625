// The uninstall commands of the registration, run exactly as Add/Remove Programs runs them. The
// product is found by the name on its command line, also when that name is outside the ANSI
// code page, in which the program's narrow command line cannot carry it; the removal list's
// registry value goes with the files; and a damaged line of the record does not stop the run.
#include <windows.h>

#include <string>
#include <vector>

#include "base/handle_win.h"
#include "base/registry_read_win.h"
#include "base/text_win.h"
#include "file_fixtures.h"
#include "install_sequence_fixture.h"

namespace qs::systest {
namespace {

class UninstallRegisteredCommand : public InstallSequence {
 protected:
  void TearDown() override {
    for (const std::wstring& name : names_) DeleteRegistration(name);
    InstallSequence::TearDown();
  }

  // An uninstallable product named `name`, its uninstaller in the "Uninstall" sub-folder.
  ProductSettings Named(const std::wstring& name) {
    DeleteRegistration(name);
    names_.push_back(name);
    ProductSettings product = SequenceProduct(kQuiet | kFlagUninstallable);
    product.DisplayName = AsU16(name);
    product.uninstallKeyName = AsU16(name);
    product.UninstallSubdir = u"Uninstall";
    product.uninstallerName = u"uninstall.exe";
    return product;
  }

  // Installs `product` silently into `folder` with one file, "f.txt", and returns its registered
  // command `value` ("UninstallString" or "QuietUninstallString").
  std::wstring Install(const ProductSettings& product, const fs::path& folder, const wchar_t* value,
                       uint32_t productFlags2 = 0) {
    builder::ContainerOptions options;
    options.productFlags2 = productFlags2;
    RunResult installed = RunInstaller(
        MakeInstaller(MakePayload({MakeFile("f.txt", "x")}, options, 0, SettingsStream(product))),
        DirectorySwitch(folder) + L" /a");
    EXPECT_EQ(installed.exitCode, 1u) << installed;
    return RegistrationText(std::wstring(AsWide(product.uninstallKeyName)), value);
  }

  // Runs `command` as it stands, with the test's own temporary folder.
  RunResult RunCommand(const std::wstring& command, std::vector<std::string> answers = {}) {
    RunOptions options = Answers(std::move(answers));
    const std::wstring temp = MadeFolder("temp").wstring();
    options.environment = {{L"TMP", temp}, {L"TEMP", temp}};
    return RunProgram(ProgramOf(command), command, Folder(), options);
  }

 private:
  std::vector<std::wstring> names_;
};

TEST_F(UninstallRegisteredCommand, FindsItsProductByName) {
  struct Case {
    const char* name;
    const wchar_t* product;
    const wchar_t* value;
    std::vector<std::string> answers;
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {"Ascii", L"Quillonet Command Line", L"QuietUninstallString", {}, {}},
      // In the ANSI code page.
      {"Western", L"Quillonet Caf\u00e9", L"QuietUninstallString", {}, {}},
      // Outside it: only the wide command line carries these.
      {"Greek", L"Quillonet \u03a9mega", L"QuietUninstallString", {}, {}},
      {"Chinese",
       L"Quillonet \u4e2d\u6587",
       L"UninstallString",
       {"yes"},
       {TextName(kTextUninstallQuestion), TextName(kTextUninstallComplete)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path app = Folder() / c.name;
    const std::wstring command = Install(Named(c.product), app, c.value);
    ASSERT_FALSE(command.empty());
    EXPECT_EQ(ProgramOf(command), app / L"Uninstall" / L"uninstall.exe");

    RunResult result = RunCommand(command, c.answers);
    EXPECT_EQ(result.exitCode, 0u) << result;
    EXPECT_EQ(result.MessageTexts(), c.messages) << result;
    EXPECT_FALSE(fs::exists(app / L"f.txt"));
    EXPECT_TRUE(RegistrationText(c.product, L"UninstallString").empty());
    EXPECT_EQ(result.Records("batch").size(), 1u) << result;
  }
}

// The registry value that named the install folder goes when the product asks for it, and
// only then.
TEST_F(UninstallRegisteredCommand, InstallFolderValueIsDeletedWhenListed) {
  const std::wstring valueKey = L"Software\\QuillonetTest\\" + OwnName();
  for (const bool listed : {true, false}) {
    SCOPED_TRACE(listed ? "Listed" : "NotListed");
    const fs::path app = Folder() / (listed ? "Listed" : "NotListed");
    TestKey value(HKEY_CURRENT_USER, valueKey);
    value.Set(L"Folder", app.wstring());
    ProductSettings product = Named(OwnName() + (listed ? L".Listed" : L".NotListed"));
    product.installDirValue = u"HKCU\\" + std::u16string(AsU16(valueKey)) + u"\\Folder";
    const std::wstring command =
        Install(product, app, L"QuietUninstallString", listed ? kFlags2RemoveInstallDirValue : 0);
    ASSERT_FALSE(command.empty());

    RunResult result = RunCommand(command);
    EXPECT_EQ(result.exitCode, 0u) << result;
    EXPECT_FALSE(fs::exists(app / L"f.txt"));
    EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, valueKey, L"Folder").empty(), listed);
    value.Remove(L"Folder");
  }
  ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\QuillonetTest");
}

// A deletion rule whose argument is no date is a damaged line of Uninstall.DAT: it is skipped,
// and the uninstallation runs to its end.
TEST_F(UninstallRegisteredCommand, DamagedDeletionRuleIsSkipped) {
  const fs::path app = Folder() / "App";
  const std::wstring name = OwnName();
  const std::wstring command = Install(Named(name), app, L"QuietUninstallString");
  ASSERT_FALSE(command.empty());
  const fs::path record = app / L"Uninstall" / L"Uninstall.DAT";
  std::string text = ReadText(record);
  ASSERT_FALSE(text.empty());
  // Such a line can only come from a record without a digest (an installation by an earlier
  // version): one changed since its digest was written is refused whole.
  ASSERT_EQ(SetRegistrationText(name, L"UninstallDataDigest", L""), ERROR_SUCCESS);
  WriteText(record, text + "\r\n\r\n[ConditionalDelete]\r\n*.tmp,3,not a date,8\r\n");
  WriteText(app / L"left.tmp", "a file the rule names");

  RunResult result = RunCommand(command);
  EXPECT_EQ(result.exitCode, 0u) << result;
  EXPECT_TRUE(result.MessageTexts().empty()) << result;
  EXPECT_FALSE(fs::exists(app / L"f.txt"));
  EXPECT_TRUE(fs::exists(app / L"left.tmp"));
  EXPECT_FALSE(fs::exists(record));
  EXPECT_TRUE(RegistrationText(name, L"UninstallString").empty());
}

}  // namespace
}  // namespace qs::systest
