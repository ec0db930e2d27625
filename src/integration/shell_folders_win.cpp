#include "integration/shell_folders_win.h"

#include <shlobj.h>

#include "base/handle_win.h"
#include "base/registry_read_win.h"
#include "base/system_library_win.h"
#include "base/text_win.h"
#include "files/os_name_win.h"
#include "integration/path_variables.h"
#include "integration/path_variables_win.h"

namespace qs {
namespace {

using FolderPathFunction = BOOL(WINAPI*)(HWND, LPWSTR, int, BOOL);
using ChangeNotify = void(WINAPI*)(LONG, UINT, LPCVOID, LPCVOID);

constexpr wchar_t kCurrentVersionKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion";
constexpr wchar_t kShellFoldersKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr bool kAllUsers = true;
constexpr bool kCurrentUser = false;

struct Shell32 {
  FolderPathFunction getFolderPath = nullptr;
  ChangeNotify changeNotify = nullptr;
};

// shell32 is loaded on first use and kept for the life of the process.
const Shell32& Shell() {
  static const Shell32 shell = [] {
    Shell32 functions;
    UniqueModule module = LoadSystemLibrary(L"shell32.dll");
    functions.getFolderPath =
        LibraryFunction<FolderPathFunction>(module, "SHGetSpecialFolderPathW");
    functions.changeNotify = LibraryFunction<ChangeNotify>(module, "SHChangeNotify");
    module.Release();
    return functions;
  }();
  return shell;
}

std::wstring Wide(std::u16string_view text) {
  return std::wstring(AsWide(text));
}

std::wstring Join(std::wstring_view folder, std::wstring_view name) {
  return Wide(JoinFolder(AsU16(folder), AsU16(name)));
}

// A string value as stored (REG_EXPAND_SZ is not expanded) in the 32-bit view, up to its first
// NUL; empty when missing or not a string.
std::wstring RegistryValueText(HKEY root, const wchar_t* keyName, const wchar_t* valueName) {
  std::wstring value = RegistryText(root, keyName, valueName, KEY_WOW64_32KEY);
  return value.substr(0, value.find(L'\0'));
}

// A folder value of the CurrentVersion key under HKLM.
std::wstring CurrentVersionFolder(const wchar_t* valueName) {
  return Wide(
      TrimFolderValue(AsU16(RegistryValueText(HKEY_LOCAL_MACHINE, kCurrentVersionKey, valueName))));
}

std::wstring ShellOrRegistry(int csidl, const wchar_t* valueName, bool allUsers) {
  std::wstring folder = CsidlFolder(csidl);
  return folder.empty() ? ShellFolder(valueName, allUsers) : folder;
}

std::wstring OrElse(std::wstring folder, std::wstring (*fallback)()) {
  return folder.empty() ? fallback() : folder;
}

// "Common Startup" less its last `count` components: the all-users Programs folder (1) or
// Start Menu (2) on systems that lack their own values.
std::wstring CommonStartupParent(size_t count) {
  return Wide(CutLastComponents(AsU16(ShellFolder(L"Common Startup", kAllUsers)), count));
}

// A text that a system call writes into a buffer of a given size and whose length it returns
// (or the size needed when the buffer is too small).
template <typename Call>
std::wstring SystemText(Call call) {
  std::wstring text(MAX_PATH, L'\0');
  UINT length = call(text.data(), static_cast<UINT>(text.size()));
  if (length >= text.size()) {
    text.assign(length, L'\0');
    length = call(text.data(), static_cast<UINT>(text.size()));
    if (length >= text.size()) return {};
  }
  text.resize(length);
  return text;
}

std::wstring EnvironmentValue(const wchar_t* name) {
  return SystemText([name](wchar_t* buffer, UINT size) {
    return static_cast<UINT>(::GetEnvironmentVariableW(name, buffer, size));
  });
}

// The folder that the shell reports to a 32-bit program: on 64-bit Windows the program files
// folders are the ones whose names end in " (x86)", and the 64-bit build asks for those.
int ProgramViewFolder(int csidl) {
#if defined(_WIN64)
  if (csidl == CSIDL_PROGRAM_FILES) return CSIDL_PROGRAM_FILESX86;
  if (csidl == CSIDL_PROGRAM_FILES_COMMON) return CSIDL_PROGRAM_FILES_COMMONX86;
#endif
  return csidl;
}

}  // namespace

std::wstring CsidlFolder(int csidl) {
  csidl = ProgramViewFolder(csidl);
  FolderPathFunction getPath = Shell().getFolderPath;
  if (getPath == nullptr) return {};
  wchar_t path[MAX_PATH] = {};
  if (!getPath(nullptr, path, csidl, FALSE)) return {};
  return path;
}

void NotifyShell(LONG event, UINT flags, const void* item1, const void* item2) {
  if (ChangeNotify notify = Shell().changeNotify) notify(event, flags, item1, item2);
}

std::wstring ShellFolder(std::wstring_view valueName, bool allUsers) {
  std::wstring name(valueName);
  HKEY root = allUsers ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  return Wide(TrimFolderValue(AsU16(RegistryValueText(root, kShellFoldersKey, name.c_str()))));
}

std::wstring AppDataAllDir() {
  return OrElse(ShellOrRegistry(CSIDL_COMMON_APPDATA, L"Common AppData", kAllUsers), CommonDir);
}

std::wstring AppDataDir() {
  return OrElse(ShellOrRegistry(CSIDL_APPDATA, L"AppData", kCurrentUser), CommonDir);
}

std::wstring Bits() {
  const OsFacts& system = RunningSystem();
  return system.nativeIs64 && system.major >= 5 ? L"64" : L"32";
}

std::wstring BootDrive() {
  std::wstring bootDir = RegistryValueText(
      HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Setup", L"BootDir");
  return Wide(BootDriveFromBootDir(AsU16(bootDir)));
}

std::wstring CommonDir() {
  std::wstring folder = CsidlFolder(CSIDL_PROGRAM_FILES_COMMON);
  if (folder.empty()) folder = CurrentVersionFolder(L"CommonFilesDir");
  return folder.empty() ? Join(ProgramsDir(), L"Common Files") : folder;
}

std::wstring DesktopAllDir() {
  return OrElse(ShellOrRegistry(CSIDL_COMMON_DESKTOPDIRECTORY, L"Common Desktop", kAllUsers),
                DesktopDir);
}

std::wstring DesktopDir() {
  std::wstring folder = ShellOrRegistry(CSIDL_DESKTOPDIRECTORY, L"Desktop", kCurrentUser);
  return folder.empty() ? Join(WinDir(), L"Desktop") : folder;
}

std::wstring DeviceDir() {
  std::wstring folder = Wide(DeviceDirFromDevicePath(AsU16(CurrentVersionFolder(L"DevicePath")),
                                                     AsU16(EnvironmentValue(L"SystemRoot"))));
  return folder.empty() ? Join(WinDir(), L"INF") : folder;
}

std::wstring DocumentAllDir() {
  return OrElse(ShellOrRegistry(CSIDL_COMMON_DOCUMENTS, L"Common Documents", kAllUsers),
                DocumentDir);
}

std::wstring DocumentDir() {
  std::wstring folder = ShellOrRegistry(CSIDL_PERSONAL, L"Personal", kCurrentUser);
  return folder.empty() ? L"c:\\My Documents" : folder;
}

std::wstring FavoritesAllDir() {
  return OrElse(ShellOrRegistry(CSIDL_COMMON_FAVORITES, L"Common Favorites", kAllUsers),
                FavoritesDir);
}

std::wstring FavoritesDir() {
  std::wstring folder = ShellOrRegistry(CSIDL_FAVORITES, L"Favorites", kCurrentUser);
  return folder.empty() ? Join(WinDir(), L"Favorites") : folder;
}

std::wstring FontDir() {
  std::wstring folder = ShellOrRegistry(CSIDL_FONTS, L"Fonts", kCurrentUser);
  return folder.empty() ? Join(WinDir(), L"Fonts") : folder;
}

std::wstring Inetpub() {
  std::wstring webRoot = ExpandEnvironment(
      RegistryValueText(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\INetStp", L"PathWWWRoot"));
  if (webRoot.empty()) webRoot = L"c:\\Inetpub\\wwwroot";
  return Wide(InetpubFromWebRoot(AsU16(webRoot)));
}

std::wstring MediaDir() {
  std::wstring folder = CurrentVersionFolder(L"MediaPath");
  return folder.empty() ? Join(WinDir(), L"Media") : folder;
}

std::wstring ProgramsDir() {
  std::wstring folder = CsidlFolder(CSIDL_PROGRAM_FILES);
  if (folder.empty()) folder = CurrentVersionFolder(L"ProgramFilesDir");
  return folder.empty() ? L"c:\\Program Files" : folder;
}

std::wstring SMProgramsAllDir() {
  std::wstring folder = ShellOrRegistry(CSIDL_COMMON_PROGRAMS, L"Common Programs", kAllUsers);
  if (folder.empty()) folder = CommonStartupParent(1);
  return folder.empty() ? SMProgramsDir() : folder;
}

std::wstring SMProgramsDir() {
  std::wstring folder = ShellOrRegistry(CSIDL_PROGRAMS, L"Programs", kCurrentUser);
  return folder.empty() ? Join(StartMenuDir(), L"Programs") : folder;
}

std::wstring StartMenuAllDir() {
  std::wstring folder = ShellOrRegistry(CSIDL_COMMON_STARTMENU, L"Common Start Menu", kAllUsers);
  if (folder.empty()) folder = CommonStartupParent(2);
  return folder.empty() ? StartMenuDir() : folder;
}

std::wstring StartMenuDir() {
  std::wstring folder = ShellOrRegistry(CSIDL_STARTMENU, L"Start Menu", kCurrentUser);
  return folder.empty() ? Join(WinDir(), L"Start Menu") : folder;
}

std::wstring StartupAllDir() {
  return OrElse(ShellOrRegistry(CSIDL_COMMON_STARTUP, L"Common Startup", kAllUsers), StartupDir);
}

std::wstring StartupDir() {
  std::wstring folder = ShellOrRegistry(CSIDL_STARTUP, L"Startup", kCurrentUser);
  return folder.empty() ? Join(SMProgramsDir(), L"StartUp") : folder;
}

std::wstring SystemDir() {
  std::wstring folder = SystemText(::GetSystemDirectoryW);
  if (!folder.empty()) return folder;
  bool nt = RunningSystem().platform == OsPlatform::kWindowsNt;
  return Join(WinDir(), nt ? L"System32" : L"System");
}

std::wstring TempDir() {
  std::wstring folder = SystemText(
      [](wchar_t* buffer, UINT size) { return static_cast<UINT>(::GetTempPathW(size, buffer)); });
  if (folder.empty()) return L"c:\\temp";
  return Wide(DropTrailingBackslash(AsU16(folder)));
}

std::wstring WinDir() {
  return SystemText(::GetWindowsDirectoryW);
}

}  // namespace qs
