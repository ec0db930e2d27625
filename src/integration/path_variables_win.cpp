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

// The system's wide text as the UTF-16 text the values are (the same units, copied).
std::u16string CopyOf(std::wstring_view text) {
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
        return CopyOf(AppDataAllDir());
      case PathVariable::kAppDataDir:
        return CopyOf(AppDataDir());
      case PathVariable::kBits:
        return CopyOf(Bits());
      case PathVariable::kBootDrive:
        return CopyOf(BootDrive());
      case PathVariable::kCommonDir:
        return CopyOf(CommonDir());
      case PathVariable::kDesktopAllDir:
        return CopyOf(DesktopAllDir());
      case PathVariable::kDesktopDir:
        return CopyOf(DesktopDir());
      case PathVariable::kDeviceDir:
        return CopyOf(DeviceDir());
      case PathVariable::kDocumentAllDir:
        return CopyOf(DocumentAllDir());
      case PathVariable::kDocumentDir:
        return CopyOf(DocumentDir());
      case PathVariable::kFavoritesAllDir:
        return CopyOf(FavoritesAllDir());
      case PathVariable::kFavoritesDir:
        return CopyOf(FavoritesDir());
      case PathVariable::kFontDir:
        return CopyOf(FontDir());
      case PathVariable::kInetpub:
        return CopyOf(Inetpub());
      case PathVariable::kInstallDir:
        return run.installDir;
      case PathVariable::kInstallDrive:
        return DriveWithColon(run.installDir);
      case PathVariable::kInstallerDir:
        return ModuleFolder(CopyOf(ModuleFileName()));
      case PathVariable::kInstallerDrive:
        return DriveLetter(CopyOf(ModuleFileName()));
      case PathVariable::kInstallerFilename:
        return ModuleBaseName(CopyOf(ModuleFileName()));
      case PathVariable::kInstallerFilepath:
        return CopyOf(ModuleFileName());
      case PathVariable::kMediaDir:
        return CopyOf(MediaDir());
      case PathVariable::kOldVersion:
        return run.oldVersion;
      case PathVariable::kOldVersionMajor:
        return OldVersionMajor(run.oldVersion);
      case PathVariable::kOldVersionMinor:
        return OldVersionMinor(run.oldVersion);
      case PathVariable::kProductName:
        return Product().DisplayName;
      case PathVariable::kProgramsDir:
        return CopyOf(ProgramsDir());
      case PathVariable::kSharedDir:
        return run.sharedDir;
      case PathVariable::kSMProgramsAllDir:
        return CopyOf(SMProgramsAllDir());
      case PathVariable::kSMProgramsDir:
        return CopyOf(SMProgramsDir());
      case PathVariable::kStartMenuAllDir:
        return CopyOf(StartMenuAllDir());
      case PathVariable::kStartMenuChosen:
        return StartMenuChosen();
      case PathVariable::kStartMenuDir:
        return CopyOf(StartMenuDir());
      case PathVariable::kStartupAllDir:
        return CopyOf(StartupAllDir());
      case PathVariable::kStartupDir:
        return CopyOf(StartupDir());
      case PathVariable::kSystemDir:
        return CopyOf(SystemDir());
      case PathVariable::kTemp:
        return CopyOf(TempDir());
      case PathVariable::kUninstallDir:
        return run.uninstallDir;
      case PathVariable::kVersion:
        return Product().DisplayVersion;
      case PathVariable::kWinDir:
        return CopyOf(WinDir());
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
