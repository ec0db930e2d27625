// Path variables on a real system: every variable of the table expands to a plausible value in
// this process (64-bit and 32-bit prefixes alike), the installer's state is taken as it stands
// at the time of the call, and the environment step runs after the variables.
#include <windows.h>
// windows.h first
#include <shlobj.h>

#include <cwctype>
#include <filesystem>
#include <functional>
#include <string>

#include "base/text_win.h"
#include "core/product_win.h"
#include "harness_win.h"
#include "integration/path_variables.h"
#include "integration/path_variables_win.h"
#include "integration/shell_folders_win.h"

namespace qs::systest {
namespace {

namespace fs = std::filesystem;

std::wstring ThisModule() {
  wchar_t name[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, name, MAX_PATH);
  return name;
}

bool IsFolder(const std::wstring& path) {
  std::error_code error;
  return fs::is_directory(fs::path(path), error);
}

bool IsFile(const std::wstring& path) {
  std::error_code error;
  return fs::is_regular_file(fs::path(path), error);
}

// "X:\..." without a trailing backslash: how every folder value looks.
bool IsFullFolderPath(const std::wstring& path) {
  return path.size() > 3 && std::iswalpha(path[0]) && path[1] == L':' && path[2] == L'\\' &&
         path.back() != L'\\';
}

bool EqualsIgnoreCase(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() &&
         ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::wstring Expand(std::wstring_view text) {
  return ExpandPathVariables(text);
}

// The values come from the installer's process-wide state: each test starts from the run and the
// product made here.
class PathVariables : public ::testing::Test {
 protected:
  void SetUp() override {
    Installation() = InstallRun{};
    InstallRun& run = Installation();
    run.installDir = u"D:\\Apps\\Test Product";
    run.uninstallDir = u"D:\\Apps\\Test Product\\uninstall";
    run.sharedDir = u"C:\\Program Files (x86)\\Common Files\\Maker";
    run.oldVersion = u"3.10.2";
    Product() = ProductSettings{};
    ProductSettings& product = Product();
    product.DisplayName = u"Test Product %Version%";
    product.DisplayVersion = u"2.5";
    product.ProductStartMenu = u"Maker\\Test Product";
    product.ShortcutMode = 0;
  }
};

TEST_F(PathVariables, EveryVariableHasAPlausibleValue) {
  const std::wstring module = ThisModule();
  const std::wstring programs = SystemIs64Bit() ? L"C:\\Program Files (x86)" : L"C:\\Program Files";
  const std::wstring smPrograms = Expand(L"%SMProgramsDir%");

  using Check = std::function<::testing::AssertionResult(const std::wstring&)>;
  auto folder = [](const std::wstring& value) {
    if (!IsFullFolderPath(value)) return ::testing::AssertionFailure() << "not a full path";
    if (!IsFolder(value)) return ::testing::AssertionFailure() << "no such folder";
    return ::testing::AssertionSuccess();
  };
  auto path = [](const std::wstring& value) {
    // Folders that Wine does not create (MediaDir, Inetpub) or that another drive holds.
    if (!IsFullFolderPath(value)) return ::testing::AssertionFailure() << "not a full path";
    return ::testing::AssertionSuccess();
  };
  auto is = [](std::wstring expected) {
    return [expected](const std::wstring& value) {
      if (value == expected) return ::testing::AssertionSuccess();
      return ::testing::AssertionFailure() << "expected " << WideToUtf8(expected);
    };
  };
  auto isIgnoringCase = [](std::wstring expected) {
    return [expected](const std::wstring& value) {
      if (EqualsIgnoreCase(value, expected)) return ::testing::AssertionSuccess();
      return ::testing::AssertionFailure() << "expected " << WideToUtf8(expected);
    };
  };
  auto drive = [](const std::wstring& value) {
    if (value.size() == 2 && std::iswupper(value[0]) && value[1] == L':') {
      return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "not a drive";
  };

  const std::pair<PathVariable, Check> checks[] = {
      {PathVariable::kAppDataAllDir, folder},
      {PathVariable::kAppDataDir, folder},
      {PathVariable::kBits, is(SystemIs64Bit() ? L"64" : L"32")},
      {PathVariable::kBootDrive, drive},
      {PathVariable::kCommonDir, isIgnoringCase(programs + L"\\Common Files")},
      {PathVariable::kDesktopAllDir, folder},
      {PathVariable::kDesktopDir, folder},
      {PathVariable::kDeviceDir, folder},
      {PathVariable::kDocumentAllDir, folder},
      {PathVariable::kDocumentDir, folder},
      {PathVariable::kFavoritesAllDir, folder},
      {PathVariable::kFavoritesDir, folder},
      {PathVariable::kFontDir, folder},
      {PathVariable::kInetpub, path},
      {PathVariable::kInstallDir, is(L"D:\\Apps\\Test Product")},
      {PathVariable::kInstallDrive, is(L"D:")},
      {PathVariable::kInstallerDir, isIgnoringCase(fs::path(module).parent_path().wstring())},
      {PathVariable::kInstallerDrive, is(std::wstring(1, std::towupper(module[0])))},
      {PathVariable::kInstallerFilename, isIgnoringCase(L"quillonet_system_tests.exe")},
      {PathVariable::kInstallerFilepath, is(module)},
      {PathVariable::kMediaDir, path},
      {PathVariable::kOldVersion, is(L"3.10.2")},
      {PathVariable::kOldVersionMajor, is(L"3")},
      {PathVariable::kOldVersionMinor, is(L"10")},
      {PathVariable::kProductName, is(L"Test Product 2.5")},
      {PathVariable::kProgramsDir, isIgnoringCase(programs)},
      {PathVariable::kSharedDir, is(L"C:\\Program Files (x86)\\Common Files\\Maker")},
      {PathVariable::kSMProgramsAllDir, folder},
      {PathVariable::kSMProgramsDir, folder},
      {PathVariable::kStartMenuAllDir, folder},
      {PathVariable::kStartMenuChosen, is(smPrograms + L"\\Maker\\Test Product")},
      {PathVariable::kStartMenuDir, folder},
      {PathVariable::kStartupAllDir, folder},
      {PathVariable::kStartupDir, folder},
      {PathVariable::kSystemDir, folder},
      {PathVariable::kTemp, folder},
      {PathVariable::kUninstallDir, is(L"D:\\Apps\\Test Product\\uninstall")},
      {PathVariable::kVersion, is(L"2.5")},
      {PathVariable::kWinDir, folder},
  };
  ASSERT_EQ(std::size(checks), kPathVariableCount);
  for (const auto& [variable, check] : checks) {
    std::wstring token(AsWide(PathVariableOf(variable).token));
    std::wstring value = Expand(token);
    SCOPED_TRACE(WideToUtf8(token) + " = " + WideToUtf8(value));
    EXPECT_FALSE(value.empty());
    EXPECT_NE(value.find(L'%'), 0u) << "left unexpanded";
    EXPECT_TRUE(check(value));
  }
}

TEST_F(PathVariables, FoldersNestAsTheShellLaysThemOut) {
  auto under = [](std::wstring_view parent, std::wstring_view child) {
    return child.size() > parent.size() && child[parent.size()] == L'\\' &&
           EqualsIgnoreCase(child.substr(0, parent.size()), parent);
  };
  EXPECT_TRUE(under(Expand(L"%StartMenuDir%"), Expand(L"%SMProgramsDir%")));
  EXPECT_TRUE(under(Expand(L"%SMProgramsDir%"), Expand(L"%StartupDir%")));
  EXPECT_TRUE(under(Expand(L"%StartMenuAllDir%"), Expand(L"%SMProgramsAllDir%")));
  EXPECT_TRUE(under(Expand(L"%SMProgramsAllDir%"), Expand(L"%StartupAllDir%")));
  EXPECT_TRUE(under(Expand(L"%WinDir%"), Expand(L"%SystemDir%")));
  EXPECT_TRUE(under(Expand(L"%WinDir%"), Expand(L"%FontDir%")));
}

TEST_F(PathVariables, ValuesFollowTheStateAtTheTimeOfTheCall) {
  EXPECT_EQ(Expand(L"%InstallDir%"), L"D:\\Apps\\Test Product");
  Installation().installDir = u"e:\\Other";
  Installation().oldVersion = u"7";
  EXPECT_EQ(Expand(L"%InstallDir%|%InstallDrive%"), L"e:\\Other|E:");
  EXPECT_EQ(Expand(L"[%OldVersionMajor%][%OldVersionMinor%]"), L"[7][]");
  Installation().oldVersion.clear();
  EXPECT_EQ(Expand(L"[%OldVersion%][%OldVersionMajor%][%OldVersionMinor%]"), L"[][][]");

  Product().ShortcutMode = 1;
  EXPECT_EQ(Expand(L"%StartMenuChosen%"), Expand(L"%SMProgramsAllDir%") + L"\\Maker\\Test Product");
}

TEST_F(PathVariables, CaseOfTheTokens) {
  EXPECT_EQ(Expand(L"%installdir%;%INSTALLDIR%"), L"D:\\Apps\\Test Product;D:\\Apps\\Test Product");
  // The version parts are matched exactly; the environment does not know them either.
  EXPECT_EQ(Expand(L"%oldversionmajor%.%OLDVERSIONMINOR%"), L"%oldversionmajor%.%OLDVERSIONMINOR%");
}

TEST_F(PathVariables, EnvironmentVariablesExpandAfterThePathVariables) {
  std::wstring comspec = Expand(L"%comspec%");
  EXPECT_TRUE(IsFile(comspec)) << WideToUtf8(comspec);
  EXPECT_EQ(Expand(L"%NoSuchVariable%\\x"), L"%NoSuchVariable%\\x");
  EXPECT_EQ(Expand(L"100%"), L"100%");

  // A value that names an environment variable gets it expanded too.
  Product().DisplayName = u"Tool (%SystemRoot%)";
  wchar_t systemRoot[MAX_PATH] = {};
  ASSERT_GT(::GetEnvironmentVariableW(L"SystemRoot", systemRoot, MAX_PATH), 0u);
  EXPECT_EQ(Expand(L"%ProductName%"), std::wstring(L"Tool (") + systemRoot + L")");
}

TEST_F(PathVariables, TextsWithoutPercentSignsComeBackUnchanged) {
  EXPECT_EQ(Expand(L""), L"");
  EXPECT_EQ(Expand(L"C:\\Program Files\\Caf\u00e9"), L"C:\\Program Files\\Caf\u00e9");
  // A narrow text in the code page stays as it is rather than turning into the bar form.
  EXPECT_EQ(ExpandPathVariables(std::string_view("C:\\Caf\xe9")), "C:\\Caf\xe9");
}

TEST_F(PathVariables, NarrowTextsFollowTheBarConvention) {
  Product().DisplayName = u"Caf\u00e9";
  EXPECT_EQ(ExpandPathVariables(std::string_view("%ProductName% %Version%")), "|Caf\xc3\xa9 2.5");
  EXPECT_EQ(ExpandPathVariables(std::string_view("|\xc3\xa9\\%Version%")), "|\xc3\xa9\\2.5");
  EXPECT_EQ(ExpandPathVariables(std::string_view("%InstallDir%")), "D:\\Apps\\Test Product");
}

// A result longer than the environment step's buffer is left as the variables left it.
TEST_F(PathVariables, EnvironmentStepKeepsTextsTooLongForItsBuffer) {
  const std::wstring filler(32000, L'x');
  EXPECT_EQ(Expand(L"%Version%;%SystemRoot%" + filler), L"2.5;%SystemRoot%" + filler);

  const std::wstring fits(30000, L'x');
  std::wstring expanded = Expand(L"%SystemRoot%" + fits);
  EXPECT_EQ(expanded.find(L'%'), std::wstring::npos);
  EXPECT_EQ(expanded.size(), Expand(L"%SystemRoot%").size() + fits.size());
}

TEST_F(PathVariables, ShellFoldersAndLookups) {
  // The registry's shell folders lose their trailing backslash; the shell answers by CSIDL.
  std::wstring desktop = ShellFolder(L"Desktop", false);
  EXPECT_TRUE(desktop.empty() || IsFullFolderPath(desktop)) << WideToUtf8(desktop);
  EXPECT_TRUE(ShellFolder(L"No Such Folder", true).empty());
  EXPECT_TRUE(EqualsIgnoreCase(CsidlFolder(CSIDL_WINDOWS), WinDir()));
  EXPECT_TRUE(CsidlFolder(0x7F).empty());
}

}  // namespace
}  // namespace qs::systest
