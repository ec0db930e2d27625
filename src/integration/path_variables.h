#pragma once
// Path variables: "%InstallDir%", "%DesktopDir%" and the rest, replaced in the texts of the
// product's settings before they are used. This is the portable half: the table of variables,
// the replacement engine and the rules that turn raw system answers into values. Where the
// values come from on Windows is integration/path_variables_win.h.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qs {

// In the order the engine applies them; the order is observable, since a value may contain a
// later variable (a product name with "%Version%" in it).
enum class PathVariable : uint8_t {
  kAppDataAllDir,
  kAppDataDir,
  kBits,
  kBootDrive,
  kCommonDir,
  kDesktopAllDir,
  kDesktopDir,
  kDeviceDir,
  kDocumentAllDir,
  kDocumentDir,
  kFavoritesAllDir,
  kFavoritesDir,
  kFontDir,
  kInetpub,
  kInstallDir,
  kInstallDrive,
  kInstallerDir,
  kInstallerDrive,
  kInstallerFilename,
  kInstallerFilepath,
  kMediaDir,
  kOldVersion,
  kOldVersionMajor,
  kOldVersionMinor,
  kProductName,
  kProgramsDir,
  kSharedDir,
  kSMProgramsAllDir,
  kSMProgramsDir,
  kStartMenuAllDir,
  kStartMenuChosen,
  kStartMenuDir,
  kStartupAllDir,
  kStartupDir,
  kSystemDir,
  kTemp,
  kUninstallDir,
  kVersion,
  kWinDir,
};

inline constexpr size_t kPathVariableCount = 39;

struct PathVariableInfo {
  PathVariable variable;
  std::u16string_view token;  // percent signs included
  bool caseSensitive;         // matched exactly; every other token ignores ASCII case
};

// Every variable, in engine order.
const std::array<PathVariableInfo, kPathVariableCount>& PathVariables();
const PathVariableInfo& PathVariableOf(PathVariable variable);

// Supplies the value of a variable. Asked once per variable that occurs in the text, every
// time the text is expanded: values are never cached by the engine.
class PathVariableValues {
 public:
  virtual ~PathVariableValues() = default;
  virtual std::u16string Value(PathVariable variable) = 0;
};

// Replaces the variables of `text`, one variable after the other in table order. For each,
// every non-overlapping occurrence is replaced at once, scanning from the start; what was
// inserted is not searched again for the same variable, but the later variables apply to it.
// Tokens that name no variable stay as written.
std::u16string ExpandVariableTokens(std::u16string_view text, PathVariableValues& values);

// ---- Value rules ----

// %OldVersionMajor%: the text before the first '.' (all of it when there is none).
std::u16string OldVersionMajor(std::u16string_view oldVersion);
// %OldVersionMinor%: the text between the first and the second '.'; empty without a '.'.
std::u16string OldVersionMinor(std::u16string_view oldVersion);

// "D:" for a path that begins with a letter and ':' (the letter upper-cased); empty otherwise.
std::u16string DriveWithColon(std::u16string_view path);
// The same drive as a single upper-case letter, without the colon; empty otherwise.
std::u16string DriveLetter(std::u16string_view path);

// The folder of a module file name: everything before the last backslash, or before the last
// ':' when there is no backslash. A backslash right after a ':' stays ("C:\" for a root).
std::u16string ModuleFolder(std::u16string_view fileName);
// The file name without its folder.
std::u16string ModuleBaseName(std::u16string_view fileName);

// A folder read from the registry loses one trailing backslash, except a drive root ("C:\").
std::u16string TrimFolderValue(std::u16string_view value);
// Removes one trailing backslash, whatever the length.
std::u16string_view DropTrailingBackslash(std::u16string_view path);

// `folder` + "\" + `name` with exactly one backslash between them (both sides lose theirs);
// when either side is empty, the other alone.
std::u16string JoinFolder(std::u16string_view folder, std::u16string_view name);

// Cuts the last `count` components off a path, each with the backslash before it. Empty when
// the path runs out of backslashes first.
std::u16string CutLastComponents(std::u16string_view path, size_t count);

// %Inetpub% from the web root: "c:\Inetpub\wwwroot" (with or without a trailing backslash)
// gives "c:\Inetpub".
std::u16string InetpubFromWebRoot(std::u16string_view webRoot);

// %DeviceDir% from the DevicePath value: the first entry of the list (cut at the first ';'),
// with its first "%SystemRoot%" (any case) replaced by `systemRoot` unless that is empty.
std::u16string DeviceDirFromDevicePath(std::u16string_view devicePath,
                                       std::u16string_view systemRoot);

// %BootDrive% from the BootDir value: its drive as "X:", or "C:" when it names none.
std::u16string BootDriveFromBootDir(std::u16string_view bootDir);

}  // namespace qs
