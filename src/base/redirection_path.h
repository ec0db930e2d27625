#pragma once
// Where a path that a 32-bit program names reaches the file system of 64-bit Windows while
// file-system redirection is on. The 64-bit program names its files exactly as the 32-bit one
// does (logs and records keep those texts) and maps them here just before the system call.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qs {

struct RedirectionFolders {
  std::u16string system;          // the system folder as the system names it (C:\Windows\system32)
  std::u16string systemWow64;     // its 32-bit counterpart (C:\Windows\SysWOW64)
  bool driverStoreShared = true;  // Windows 7 and later share system32\DriverStore too
  // The system folder in its short (8.3) form where that differs (a Windows folder with a long
  // name); empty when it has none. Paths in either spelling are redirected.
  std::u16string systemShort;
};

// What a 32-bit program would reach with `path`, or nothing when redirection leaves it alone.
// `path` must already be absolute and normalised by the system, except for "\\?\" paths: the
// system takes those literally, and so does this (and "\\.\C:\..." is a drive path too). Under the
// system folder the path moves to the 32-bit folder unless it lies in a folder both kinds of
// program share; "Sysnative" beside the system folder reaches the system folder itself. Components
// are compared whole and with ASCII case folding; the system's folder names are ASCII.
std::optional<std::u16string> RedirectedPath(std::u16string_view path,
                                             const RedirectionFolders& folders);

// The program part of a command line as CreateProcess reads it without an application name:
// the quoted text, or everything up to the first blank. {offset, length}.
struct TextSpan {
  size_t offset = 0;
  size_t length = 0;
};
TextSpan CommandLineProgram(std::u16string_view commandLine);

}  // namespace qs
