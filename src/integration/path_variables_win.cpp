#include "integration/path_variables_win.h"

#include <windows.h>

#include <vector>

#include "base/text.h"
#include "base/text_win.h"
#include "core/own_file_win.h"
#include "core/product_win.h"
#include "integration/path_variables.h"
#include "integration/shell_folders_win.h"

namespace qs {
namespace {

// ExpandEnvironmentStrings takes at most 32K characters; longer results are not attempted.
constexpr DWORD kEnvironmentBufferSize = 32000;

std::u16string U16(std::wstring_view text) {
  return std::u16string(AsU16(text));
}

// The values as this run knows them: the system's folders and what the run under way has
// settled. Each is read when asked, so a change during the run shows in the next expansion.
class RunValues : public PathVariableValues {
 public:
  std::u16string Value(PathVariable variable) override {
    const RunFolders& run = CurrentFolders();
    switch (variable) {
      case PathVariable::kAppDataAllDir:
        return U16(AppDataAllDir());
      case PathVariable::kAppDataDir:
        return U16(AppDataDir());
      case PathVariable::kBits:
        return U16(Bits());
      case PathVariable::kBootDrive:
        return U16(BootDrive());
      case PathVariable::kCommonDir:
        return U16(CommonDir());
      case PathVariable::kDesktopAllDir:
        return U16(DesktopAllDir());
      case PathVariable::kDesktopDir:
        return U16(DesktopDir());
      case PathVariable::kDeviceDir:
        return U16(DeviceDir());
      case PathVariable::kDocumentAllDir:
        return U16(DocumentAllDir());
      case PathVariable::kDocumentDir:
        return U16(DocumentDir());
      case PathVariable::kFavoritesAllDir:
        return U16(FavoritesAllDir());
      case PathVariable::kFavoritesDir:
        return U16(FavoritesDir());
      case PathVariable::kFontDir:
        return U16(FontDir());
      case PathVariable::kInetpub:
        return U16(Inetpub());
      case PathVariable::kInstallDir:
        return run.installDir;
      case PathVariable::kInstallDrive:
        return DriveWithColon(run.installDir);
      case PathVariable::kInstallerDir:
        return ModuleFolder(U16(ModuleFileName()));
      case PathVariable::kInstallerDrive:
        return DriveLetter(U16(ModuleFileName()));
      case PathVariable::kInstallerFilename:
        return ModuleBaseName(U16(ModuleFileName()));
      case PathVariable::kInstallerFilepath:
        return U16(ModuleFileName());
      case PathVariable::kMediaDir:
        return U16(MediaDir());
      case PathVariable::kOldVersion:
        return run.oldVersion;
      case PathVariable::kOldVersionMajor:
        return OldVersionMajor(run.oldVersion);
      case PathVariable::kOldVersionMinor:
        return OldVersionMinor(run.oldVersion);
      case PathVariable::kProductName:
        return Product().DisplayName;
      case PathVariable::kProgramsDir:
        return U16(ProgramsDir());
      case PathVariable::kSharedDir:
        return run.sharedDir;
      case PathVariable::kSMProgramsAllDir:
        return U16(SMProgramsAllDir());
      case PathVariable::kSMProgramsDir:
        return U16(SMProgramsDir());
      case PathVariable::kStartMenuAllDir:
        return U16(StartMenuAllDir());
      case PathVariable::kStartMenuChosen:
        return StartMenuChosen();
      case PathVariable::kStartMenuDir:
        return U16(StartMenuDir());
      case PathVariable::kStartupAllDir:
        return U16(StartupAllDir());
      case PathVariable::kStartupDir:
        return U16(StartupDir());
      case PathVariable::kSystemDir:
        return U16(SystemDir());
      case PathVariable::kTemp:
        return U16(TempDir());
      case PathVariable::kUninstallDir:
        return run.uninstallDir;
      case PathVariable::kVersion:
        return Product().DisplayVersion;
      case PathVariable::kWinDir:
        return U16(WinDir());
    }
    return {};
  }

 private:
  static std::u16string StartMenuChosen() {
    const ProductSettings& product = Product();
    std::wstring programs = product.ShortcutMode == 1 ? SMProgramsAllDir() : SMProgramsDir();
    return JoinFolder(AsU16(programs), product.ProductStartMenu);
  }
};

}  // namespace

std::wstring ExpandEnvironment(std::wstring_view text) {
  std::wstring source(text);
  std::vector<wchar_t> buffer(kEnvironmentBufferSize);
  DWORD length = ::ExpandEnvironmentStringsW(source.c_str(), buffer.data(), kEnvironmentBufferSize);
  // The length counts the terminating NUL; more than the buffer means it did not fit.
  if (length == 0 || length > kEnvironmentBufferSize) return source;
  return std::wstring(buffer.data());
}

std::wstring ExpandPathVariables(std::wstring_view text) {
  if (text.find(L'%') == std::wstring_view::npos) return std::wstring(text);
  RunValues values;
  std::u16string expanded = ExpandVariableTokens(AsU16(text), values);
  return ExpandEnvironment(AsWide(expanded));
}

std::u16string ExpandPathVariables(std::u16string_view text) {
  if (text.find(u'%') == std::u16string_view::npos) return std::u16string(text);
  return std::u16string(AsU16(ExpandPathVariables(AsWide(text))));
}

std::string ExpandPathVariables(std::string_view text) {
  if (text.find('%') == std::string_view::npos) return std::string(text);
  return Narrow(ExpandPathVariables(Widen(text)));
}

}  // namespace qs
