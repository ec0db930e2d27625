#pragma once
// File-system redirection, one switch for the whole process. The 32-bit program runs under
// WOW64 and switches the system's own redirection. The 64-bit program has none, so it
// reproduces it: while redirection is on, the paths it hands to the file system are mapped the
// way WOW64 maps a 32-bit program's. Both programs then touch the same files while their logs,
// records and messages keep the same path texts (those are never mapped).
#include <windows.h>

#include <string>
#include <string_view>

#include "base/text_win.h"

namespace qs {

enum class RedirectionSwitch {
  kOff,          // off until RestoreFileRedirection
  kFailed,       // the system refused
  kUnavailable,  // a 32-bit system: there is nothing to switch
};

// A 64-bit product sees the system's own folders for the whole run.
RedirectionSwitch DisableFileRedirection();
void RestoreFileRedirection();

// The path the file system is to be given for `path`: `path` itself when redirection is off or
// leaves it alone; always `path` in the 32-bit build, where the system does the mapping.
// The result is a place, not a name the program uses: it is never mapped a second time (a
// Sysnative path maps to the system folder, which would then move again).
//
// FileSystemProgramPath is for names that CreateProcess and the shell may also look up (a
// program, a document): a bare name is searched for, so only a path with a folder is mapped.
// FileSystemCommandLine maps the program part of a command line that way; its arguments are
// the started program's business.
#if defined(_WIN64)
std::wstring FileSystemPath(std::wstring_view path);
std::wstring FileSystemProgramPath(std::wstring_view path);
std::wstring FileSystemCommandLine(std::wstring_view commandLine);
#else
inline std::wstring FileSystemPath(std::wstring_view path) {
  return std::wstring(path);
}
inline std::wstring FileSystemProgramPath(std::wstring_view path) {
  return std::wstring(path);
}
inline std::wstring FileSystemCommandLine(std::wstring_view commandLine) {
  return std::wstring(commandLine);
}
#endif

// A path as a file-system call takes it, mapped: `::DeleteFileW(Redirected(path))`. It lives
// for the full expression that names it, so it is made inside the call, never kept.
class Redirected {
 public:
#if defined(_WIN64)
  explicit Redirected(const std::wstring& path) : path_(FileSystemPath(path)) {}
  explicit Redirected(const std::u16string& path) : path_(FileSystemPath(AsWide(path))) {}
  explicit Redirected(const wchar_t* path)
      : null_(path == nullptr), path_(path == nullptr ? std::wstring() : FileSystemPath(path)) {}
  operator const wchar_t*() const {
    return null_ ? nullptr : path_.c_str();
  }

 private:
  bool null_ = false;
  std::wstring path_;
#else
  explicit Redirected(const std::wstring& path) : path_(path.c_str()) {}
  explicit Redirected(const std::u16string& path)
      : path_(reinterpret_cast<const wchar_t*>(path.c_str())) {}
  explicit Redirected(const wchar_t* path) : path_(path) {}
  operator const wchar_t*() const {
    return path_;
  }

 private:
  const wchar_t* path_;
#endif

 public:
  Redirected(const Redirected&) = delete;
  Redirected& operator=(const Redirected&) = delete;
};

// GetTempFileNameW: a new empty file "<prefix>XXXX.tmp" in `folder`, named in `folder` as
// given, so that the name can be logged and later handed to the calls above like any other.
// Empty on failure, with GetLastError telling why.
#if defined(_WIN64)
std::wstring NewTemporaryFile(const std::wstring& folder, const wchar_t* prefix);
#else
inline std::wstring NewTemporaryFile(const std::wstring& folder, const wchar_t* prefix) {
  wchar_t path[MAX_PATH] = {};
  return ::GetTempFileNameW(folder.c_str(), prefix, 0, path) == 0 ? std::wstring() : path;
}
#endif

}  // namespace qs
