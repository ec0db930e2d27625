#include "core/own_file_win.h"

#include <windows.h>

#include "base/fatal.h"
#include "base/system_error_win.h"
#include "base/text_scan.h"
#include "base/text_win.h"

namespace qs {
namespace {

bool HasExtension(std::wstring_view path) {
  size_t folderEnd = path.find_last_of(L"\\/");
  size_t dot = path.find_last_of(L'.');
  return dot != std::wstring_view::npos &&
         (folderEnd == std::wstring_view::npos || dot > folderEnd);
}

}  // namespace

std::wstring ModuleFileName() {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) return {};
    if (length < name.size()) {
      name.resize(length);
      return name;
    }
    if (name.size() >= 32768) return {};
    name.resize(name.size() * 2);
  }
}

std::wstring ProgramNameFromCommandLine(std::wstring_view commandLine) {
  std::wstring_view text = TrimWhiteSpace(commandLine);
  if (text.empty()) return {};
  std::wstring name;
  if (text.front() == L'"') {
    text.remove_prefix(1);
    name = text.substr(0, text.find(L'"'));
  } else {
    name = text.substr(0, text.find(L' '));
  }
  if (!name.empty() && !HasExtension(name)) name += L".EXE";
  return name;
}

void OpenOwnFile(InputFile& file) {
  std::wstring moduleName = ModuleFileName();
  std::wstring name = ProgramNameFromCommandLine(::GetCommandLineW());
  if (name.empty()) name = moduleName;

  // The name on the command line is taken first. It is only trusted when it names the running
  // program: a relative name may find another program of that name in the current folder,
  // whose payload would not match the one mapped in memory.
  //
  // Both name the program where it was started from. The 64-bit program maps neither: a name
  // in the system folder is its real place, never a 32-bit program's view of the SysWOW64 one.
  if (file.OpenPlace(name) && name != moduleName) {
    InputFile module;
    if (module.OpenPlace(moduleName) && !file.IsSameFile(module)) file.Close();
  }
  if (file.IsOpen()) return;

  name = moduleName;
  if (file.OpenPlace(name)) return;
  DWORD error = file.LastError();
  FatalError("Error code 1: The installer could not open itself.\r\nFilename: %s\r\nError #%d: %s",
             WideToAnsi(name).c_str(), static_cast<int>(error), SystemErrorText(error).c_str());
}

}  // namespace qs
