#include "integration/path_variables.h"

#include "base/text.h"

namespace qs {
namespace {

constexpr std::array<PathVariableInfo, kPathVariableCount> kVariables = {{
    {PathVariable::kAppDataAllDir, u"%AppDataAllDir%", false},
    {PathVariable::kAppDataDir, u"%AppDataDir%", false},
    {PathVariable::kBits, u"%Bits%", false},
    {PathVariable::kBootDrive, u"%BootDrive%", false},
    {PathVariable::kCommonDir, u"%CommonDir%", false},
    {PathVariable::kDesktopAllDir, u"%DesktopAllDir%", false},
    {PathVariable::kDesktopDir, u"%DesktopDir%", false},
    {PathVariable::kDeviceDir, u"%DeviceDir%", false},
    {PathVariable::kDocumentAllDir, u"%DocumentAllDir%", false},
    {PathVariable::kDocumentDir, u"%DocumentDir%", false},
    {PathVariable::kFavoritesAllDir, u"%FavoritesAllDir%", false},
    {PathVariable::kFavoritesDir, u"%FavoritesDir%", false},
    {PathVariable::kFontDir, u"%FontDir%", false},
    {PathVariable::kInetpub, u"%Inetpub%", false},
    {PathVariable::kInstallDir, u"%InstallDir%", false},
    {PathVariable::kInstallDrive, u"%InstallDrive%", false},
    {PathVariable::kInstallerDir, u"%InstallerDir%", false},
    {PathVariable::kInstallerDrive, u"%InstallerDrive%", false},
    {PathVariable::kInstallerFilename, u"%InstallerFilename%", false},
    {PathVariable::kInstallerFilepath, u"%InstallerFilepath%", false},
    {PathVariable::kMediaDir, u"%MediaDir%", false},
    {PathVariable::kOldVersion, u"%OldVersion%", false},
    {PathVariable::kOldVersionMajor, u"%OldVersionMajor%", true},
    {PathVariable::kOldVersionMinor, u"%OldVersionMinor%", true},
    {PathVariable::kProductName, u"%ProductName%", false},
    {PathVariable::kProgramsDir, u"%ProgramsDir%", false},
    {PathVariable::kSharedDir, u"%SharedDir%", false},
    {PathVariable::kSMProgramsAllDir, u"%SMProgramsAllDir%", false},
    {PathVariable::kSMProgramsDir, u"%SMProgramsDir%", false},
    {PathVariable::kStartMenuAllDir, u"%StartMenuAllDir%", false},
    {PathVariable::kStartMenuChosen, u"%StartMenuChosen%", false},
    {PathVariable::kStartMenuDir, u"%StartMenuDir%", false},
    {PathVariable::kStartupAllDir, u"%StartupAllDir%", false},
    {PathVariable::kStartupDir, u"%StartupDir%", false},
    {PathVariable::kSystemDir, u"%SystemDir%", false},
    {PathVariable::kTemp, u"%Temp%", false},
    {PathVariable::kUninstallDir, u"%UninstallDir%", false},
    {PathVariable::kVersion, u"%Version%", false},
    {PathVariable::kWinDir, u"%WinDir%", false},
}};

constexpr bool TableFollowsEnum() {
  for (size_t i = 0; i < kVariables.size(); ++i) {
    if (static_cast<size_t>(kVariables[i].variable) != i) return false;
  }
  return true;
}
static_assert(TableFollowsEnum(), "the table is indexed by PathVariable");

bool IsAsciiLetter(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

char16_t UpperAscii(char16_t c) {
  return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool MatchesAt(std::u16string_view text, size_t at, std::u16string_view token, bool exact) {
  if (text.size() - at < token.size()) return false;
  for (size_t i = 0; i < token.size(); ++i) {
    char16_t c = text[at + i];
    if (exact ? c != token[i] : AsciiLower(c) != AsciiLower(token[i])) return false;
  }
  return true;
}

size_t FindToken(std::u16string_view text, size_t from, const PathVariableInfo& info) {
  for (size_t at = text.find(u'%', from); at != std::u16string_view::npos;
       at = text.find(u'%', at + 1)) {
    if (MatchesAt(text, at, info.token, info.caseSensitive)) return at;
  }
  return std::u16string_view::npos;
}

// Replaces every occurrence of one variable; the value is asked for only when there is one.
void ReplaceVariable(std::u16string& text, const PathVariableInfo& info,
                     PathVariableValues& values) {
  size_t at = FindToken(text, 0, info);
  if (at == std::u16string::npos) return;
  const std::u16string value = values.Value(info.variable);
  std::u16string out;
  out.reserve(text.size() + value.size());
  size_t copied = 0;
  while (at != std::u16string::npos) {
    out.append(text, copied, at - copied);
    out.append(value);
    copied = at + info.token.size();
    at = FindToken(text, copied, info);
  }
  out.append(text, copied, std::u16string::npos);
  text = std::move(out);
}

bool StartsWithDrive(std::u16string_view path) {
  return path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == u':';
}

// Where a module file name's folder ends: the last backslash, else the last ':'.
size_t FolderSeparator(std::u16string_view fileName) {
  size_t at = fileName.rfind(u'\\');
  if (at == std::u16string_view::npos) at = fileName.rfind(u':');
  return at;
}

}  // namespace

const std::array<PathVariableInfo, kPathVariableCount>& PathVariables() {
  return kVariables;
}

const PathVariableInfo& PathVariableOf(PathVariable variable) {
  return kVariables[static_cast<size_t>(variable)];
}

std::u16string ExpandVariableTokens(std::u16string_view text, PathVariableValues& values) {
  std::u16string out(text);
  if (out.find(u'%') == std::u16string::npos) return out;
  for (const PathVariableInfo& info : kVariables) ReplaceVariable(out, info, values);
  return out;
}

std::u16string OldVersionMajor(std::u16string_view oldVersion) {
  return std::u16string(oldVersion.substr(0, oldVersion.find(u'.')));
}

std::u16string OldVersionMinor(std::u16string_view oldVersion) {
  size_t first = oldVersion.find(u'.');
  if (first == std::u16string_view::npos) return {};
  std::u16string_view rest = oldVersion.substr(first + 1);
  return std::u16string(rest.substr(0, rest.find(u'.')));
}

std::u16string DriveWithColon(std::u16string_view path) {
  if (!StartsWithDrive(path)) return {};
  return {UpperAscii(path[0]), u':'};
}

std::u16string DriveLetter(std::u16string_view path) {
  if (!StartsWithDrive(path)) return {};
  return {UpperAscii(path[0])};
}

std::u16string ModuleFolder(std::u16string_view fileName) {
  size_t at = FolderSeparator(fileName);
  if (at == std::u16string_view::npos) return {};
  if (fileName[at] == u'\\' && at > 0 && fileName[at - 1] == u':') ++at;
  return std::u16string(fileName.substr(0, at));
}

std::u16string ModuleBaseName(std::u16string_view fileName) {
  size_t at = FolderSeparator(fileName);
  if (at == std::u16string_view::npos) return std::u16string(fileName);
  return std::u16string(fileName.substr(at + 1));
}

std::u16string TrimFolderValue(std::u16string_view value) {
  if (value.size() == 3) return std::u16string(value);
  return std::u16string(DropTrailingBackslash(value));
}

std::u16string_view DropTrailingBackslash(std::u16string_view path) {
  if (!path.empty() && path.back() == u'\\') path.remove_suffix(1);
  return path;
}

std::u16string JoinFolder(std::u16string_view folder, std::u16string_view name) {
  if (folder.empty()) return std::u16string(name);
  if (name.empty()) return std::u16string(folder);
  while (!folder.empty() && folder.back() == u'\\') folder.remove_suffix(1);
  while (!name.empty() && name.front() == u'\\') name.remove_prefix(1);
  std::u16string out(folder);
  out.push_back(u'\\');
  out.append(name);
  return out;
}

std::u16string CutLastComponents(std::u16string_view path, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    size_t at = path.rfind(u'\\');
    if (at == std::u16string_view::npos) return {};
    path = path.substr(0, at);
  }
  return std::u16string(path);
}

std::u16string InetpubFromWebRoot(std::u16string_view webRoot) {
  std::u16string parent = CutLastComponents(DropTrailingBackslash(webRoot), 1);
  return std::u16string(DropTrailingBackslash(parent));
}

std::u16string DeviceDirFromDevicePath(std::u16string_view devicePath,
                                       std::u16string_view systemRoot) {
  std::u16string folder(devicePath.substr(0, devicePath.find(u';')));
  if (systemRoot.empty()) return folder;
  constexpr std::u16string_view kToken = u"%SystemRoot%";
  for (size_t at = folder.find(u'%'); at != std::u16string::npos; at = folder.find(u'%', at + 1)) {
    if (MatchesAt(folder, at, kToken, false)) {
      folder.replace(at, kToken.size(), systemRoot);
      break;
    }
  }
  return folder;
}

std::u16string BootDriveFromBootDir(std::u16string_view bootDir) {
  std::u16string drive = DriveWithColon(bootDir);
  return drive.empty() ? u"C:" : drive;
}

}  // namespace qs
