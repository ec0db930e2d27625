#include "integration/system_folders_win.h"

#include <shlobj.h>
#include <windows.h>

#include <vector>

#include "base/system_library_win.h"
#include "base/text_win.h"

namespace qs {
namespace {

using GetFolderPathW = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);

std::wstring ShellFolder(int csidl) {
  UniqueModule shell = LoadSystemLibrary(L"shell32.dll");
  auto getFolderPath = LibraryFunction<GetFolderPathW>(shell, "SHGetFolderPathW");
  wchar_t path[MAX_PATH] = {};
  if (getFolderPath == nullptr || FAILED(getFolderPath(nullptr, csidl, nullptr, 0, path))) {
    return {};
  }
  return path;
}

std::wstring RegistryFolder(const wchar_t* valueName) {
  wchar_t path[MAX_PATH] = {};
  DWORD size = sizeof(path) - sizeof(wchar_t);
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion", valueName,
                     RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ, nullptr, path, &size) != ERROR_SUCCESS) {
    return {};
  }
  return path;
}

}  // namespace

std::string WindowsFolder() {
  wchar_t path[MAX_PATH] = {};
  UINT length = ::GetWindowsDirectoryW(path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return "C:\\Windows";
  return Narrow(path);
}

std::string ProgramFilesFolder() {
  std::wstring folder = ShellFolder(CSIDL_PROGRAM_FILES);
  if (folder.empty()) folder = RegistryFolder(L"ProgramFilesDir");
  if (folder.empty()) folder = L"C:\\Program Files";
  return Narrow(folder);
}

std::string ExpandPathVariables(std::string_view text) {
  std::wstring wide = Widen(text);
  DWORD size = ::ExpandEnvironmentStringsW(wide.c_str(), nullptr, 0);
  if (size == 0) return std::string(text);
  std::vector<wchar_t> expanded(size);
  if (::ExpandEnvironmentStringsW(wide.c_str(), expanded.data(), size) == 0) {
    return std::string(text);
  }
  return Narrow(expanded.data());
}

}  // namespace qs
