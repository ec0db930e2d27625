#include "base/file_redirection_win.h"

#include <optional>
#include <string>

#include "base/file_win.h"
#include "base/redirection_path.h"
#include "base/text_win.h"

namespace qs {
namespace {

#if defined(_WIN64)

// A 64-bit process starts as a 32-bit one does under WOW64: redirected.
bool redirectionOn = true;

std::wstring SystemText(UINT(WINAPI* get)(LPWSTR, UINT)) {
  wchar_t folder[MAX_PATH];
  const UINT length = get(folder, MAX_PATH);
  return length == 0 || length >= MAX_PATH ? std::wstring() : std::wstring(folder, length);
}

// Windows 7 made DriverStore a folder both kinds of program share.
bool DriverStoreShared() {
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  if (!::GetVersionExW(&version)) return true;
  return version.dwMajorVersion > 6 || (version.dwMajorVersion == 6 && version.dwMinorVersion >= 1);
}

// Asked once: the folders do not move while the program runs.
RedirectionFolders LoadFolders() {
  RedirectionFolders folders;
  const std::wstring system = SystemText(::GetSystemDirectoryW);
  std::wstring wow64 = SystemText(::GetSystemWow64DirectoryW);
  // A system without the 32-bit subsystem may not say where its folder would be.
  if (wow64.empty() && !system.empty()) {
    const size_t end = system.find_last_of(L'\\');
    if (end != std::wstring::npos) wow64 = system.substr(0, end) + L"\\SysWOW64";
  }
  folders.system = AsU16(system);
  folders.systemWow64 = AsU16(wow64);
  folders.driverStoreShared = DriverStoreShared();
  wchar_t shortForm[MAX_PATH];
  const DWORD length = ::GetShortPathNameW(system.c_str(), shortForm, MAX_PATH);
  if (length != 0 && length < MAX_PATH) folders.systemShort = AsU16({shortForm, length});
  return folders;
}

const RedirectionFolders& Folders() {
  static const RedirectionFolders folders = LoadFolders();  // the main thread's
  return folders;
}

bool IsLiteralPath(std::wstring_view path) {
  return path.size() >= 4 && (path.substr(0, 4) == L"\\\\?\\" || path.substr(0, 4) == L"\\??\\");
}

#else

PVOID redirectionState = nullptr;
bool redirectionDisabled = false;

template <typename Function>
Function Kernel32Function(const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), name)));
}

#endif

}  // namespace

#if defined(_WIN64)

RedirectionSwitch DisableFileRedirection() {
  redirectionOn = false;
  return RedirectionSwitch::kOff;
}

void RestoreFileRedirection() {
  redirectionOn = true;
}

std::wstring FileSystemPath(std::wstring_view path) {
  std::wstring given(path);
  if (!redirectionOn || given.empty()) return given;
  const std::wstring full = IsLiteralPath(given) ? given : SystemFullPath(given);
  if (full.empty()) return given;
  const std::optional<std::u16string> mapped = RedirectedPath(AsU16(full), Folders());
  return mapped ? std::wstring(AsWide(*mapped)) : given;
}

// CreateProcess and the shell search for a name without a folder; one with a folder, even a
// relative one, is taken from there.
std::wstring FileSystemProgramPath(std::wstring_view path) {
  if (path.find_first_of(L"\\/:") == std::wstring_view::npos) return std::wstring(path);
  return FileSystemPath(path);
}

std::wstring FileSystemCommandLine(std::wstring_view commandLine) {
  const TextSpan program = CommandLineProgram(AsU16(commandLine));
  const std::wstring_view given = commandLine.substr(program.offset, program.length);
  const std::wstring mapped = FileSystemProgramPath(given);
  if (mapped == given) return std::wstring(commandLine);
  std::wstring out(commandLine.substr(0, program.offset));
  // An unquoted program ended at the first blank; a mapped one with blanks must not.
  const bool quote = program.offset == 0 && mapped.find_first_of(L" \t") != std::wstring::npos;
  out += quote ? L"\"" + mapped + L"\"" : mapped;
  out += commandLine.substr(program.offset + program.length);
  return out;
}

std::wstring NewTemporaryFile(const std::wstring& folder, const wchar_t* prefix) {
  const std::wstring place = FileSystemPath(folder);
  wchar_t made[MAX_PATH] = {};
  if (::GetTempFileNameW(place.c_str(), prefix, 0, made) == 0) return {};
  const std::wstring path(made);
  if (place == folder) return path;
  // The system appends the name to the folder it was given, after a backslash when needed.
  std::wstring named = folder;
  if (named.empty() || named.back() != L'\\') named += L'\\';
  return named + path.substr(path.find_last_of(L'\\') + 1);
}

#else

RedirectionSwitch DisableFileRedirection() {
  using Disable = BOOL(WINAPI*)(PVOID*);
  const auto disable = Kernel32Function<Disable>("Wow64DisableWow64FsRedirection");
  if (disable == nullptr) return RedirectionSwitch::kUnavailable;
  if (disable(&redirectionState) == FALSE) return RedirectionSwitch::kFailed;
  redirectionDisabled = true;
  return RedirectionSwitch::kOff;
}

void RestoreFileRedirection() {
  if (!redirectionDisabled) return;
  using Revert = BOOL(WINAPI*)(PVOID);
  const auto revert = Kernel32Function<Revert>("Wow64RevertWow64FsRedirection");
  if (revert != nullptr) revert(redirectionState);
  redirectionDisabled = false;
}

#endif

}  // namespace qs
