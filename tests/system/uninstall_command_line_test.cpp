// The uninstall commands of the registration, run exactly as Add/Remove Programs runs them. The
// product is found by the name on its command line, also when that name is outside the ANSI
// code page, in which the program's narrow command line cannot carry it.
#include <windows.h>

#include <string>
#include <vector>

#include "base/handle_win.h"
#include "base/text_win.h"
#include "file_fixtures.h"
#include "install_sequence_fixture.h"

namespace qs::systest {
namespace {

// A string value of a registration, in the view the installer writes; empty when missing.
std::wstring RegistrationText(const std::wstring& keyName, const wchar_t* valueName) {
  UniqueRegKey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, UninstallKey(keyName).c_str(), 0,
                      KEY_QUERY_VALUE | KEY_WOW64_32KEY, key.Receive()) != ERROR_SUCCESS) {
    return {};
  }
  wchar_t text[1024] = {};
  DWORD size = sizeof text - sizeof(wchar_t);
  DWORD type = 0;
  if (::RegQueryValueExW(key.Get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(text),
                         &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return {};
  }
  return text;
}

void DeleteRegistration(const std::wstring& keyName) {
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, UninstallKey(keyName).c_str());
  ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, UninstallKey(keyName).c_str(), KEY_WOW64_32KEY, 0);
}

// The program a registered command starts: the quoted text at its start.
fs::path ProgramOf(const std::wstring& command) {
  if (command.size() < 2 || command.front() != L'"') return {};
  return command.substr(1, command.find(L'"', 1) - 1);
}

class UninstallCommandLine : public InstallSequence {
 protected:
  void TearDown() override {
    for (const std::wstring& name : names_) DeleteRegistration(name);
    InstallSequence::TearDown();
  }

  // Installs a product named `name` silently into `folder` and returns its registered command
  // (`value`: "UninstallString" or "QuietUninstallString").
  std::wstring InstallNamed(const std::wstring& name, const fs::path& folder,
                            const wchar_t* value) {
    DeleteRegistration(name);
    names_.push_back(name);
    ProductSettings product = SequenceProduct(kQuiet | kFlagUninstallable);
    product.DisplayName = Narrow(name);
    product.uninstallKeyName = product.DisplayName;
    product.UninstallSubdir = "Uninstall";
    product.uninstallerName = "uninstall.exe";
    RunResult installed = RunInstaller(
        MakeInstaller(MakePayload({MakeFile("f.txt", "x")}, {}, 0, SettingsStream(product))),
        DirectorySwitch(folder) + L" /a");
    EXPECT_EQ(installed.exitCode, 1u) << installed;
    return RegistrationText(name, value);
  }

 private:
  std::vector<std::wstring> names_;
};

TEST_F(UninstallCommandLine, RegisteredCommandFindsItsProduct) {
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
      {"Chinese", L"Quillonet \u4e2d\u6587", L"UninstallString", {"yes"}, {"T53", "T34"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path app = Folder() / c.name;
    const std::wstring command = InstallNamed(c.product, app, c.value);
    ASSERT_FALSE(command.empty());
    EXPECT_EQ(ProgramOf(command), app / L"Uninstall" / L"uninstall.exe");

    RunOptions options = Answers(c.answers);
    const std::wstring temp = MadeFolder("temp").wstring();
    options.environment = {{L"TMP", temp}, {L"TEMP", temp}};
    RunResult result = RunProgram(ProgramOf(command), command, Folder(), options);
    EXPECT_EQ(result.exitCode, 0u) << result;
    EXPECT_EQ(result.MessageTexts(), c.messages) << result;
    EXPECT_EQ(::GetFileAttributesW((app / L"f.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(RegistrationText(c.product, L"UninstallString").empty());
    EXPECT_EQ(result.Records("batch").size(), 1u) << result;
  }
}

}  // namespace
}  // namespace qs::systest
