#include "base/file_redirection_win.h"

#include <optional>

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

// Asked once: the folders do not move while the program runs. Only the main thread maps paths.
const RedirectionFolders& Folders() {
  static std::optional<RedirectionFolders> folders;
  if (!folders) {
    folders.emplace();
    const std::wstring system = SystemText(::GetSystemDirectoryW);
    std::wstring wow64 = SystemText(::GetSystemWow64DirectoryW);
    // A system without the 32-bit subsystem may not say where its folder would be.
    if (wow64.empty() && !system.empty()) {
      const size_t end = system.find_last_of(L'\\');
      if (end != std::wstring::npos) wow64 = system.substr(0, end) + L"\\SysWOW64";
    }
    folders->system = AsU16(system);
    folders->systemWow64 = AsU16(wow64);
    folders->driverStoreShared = DriverStoreShared();
  }
  return *folders;
}

bool IsLiteralPath(std::wstring_view path) {
  return path.size() >= 4 && (path.substr(0, 4) == L"\\\\?\\" || path.substr(0, 4) == L"\\??\\");
}

// Absolute and normalised the way the system will take the path (relative to the current
// folder, dots resolved, trailing dots and blanks dropped). Empty when the system cannot.
std::wstring FullPath(const std::wstring& path) {
  DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  for (int attempt = 0; attempt < 2 && size != 0; ++attempt) {
    std::wstring full(size, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (length != 0 && length < size) {
      full.resize(length);
      return full;
    }
    size = length;  // the current folder changed in between: the size it needs now
  }
  return {};
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
  const std::wstring full = IsLiteralPath(given) ? given : FullPath(given);
  if (full.empty()) return given;
  const std::optional<std::u16string> mapped = RedirectedPath(AsU16(full), Folders());
  return mapped ? std::wstring(AsWide(*mapped)) : given;
}

std::wstring FileSystemCommandLine(std::wstring_view commandLine) {
  const TextSpan program = CommandLineProgram(AsU16(commandLine));
  const std::wstring_view given = commandLine.substr(program.offset, program.length);
  const std::wstring mapped = FileSystemPath(given);
  if (mapped == given) return std::wstring(commandLine);
  std::wstring out(commandLine.substr(0, program.offset));
  const bool quote = program.offset == 0 && mapped.find_first_of(L" \t") != std::wstring::npos;
  out += quote ? L"\"" + mapped + L"\"" : mapped;
  out += commandLine.substr(program.offset + program.length);
  return out;
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
