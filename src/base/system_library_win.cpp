#include "base/system_library_win.h"

#include <cwchar>
#include <string>

namespace qs {
namespace {

// LOAD_LIBRARY_SEARCH_SYSTEM32 is understood only where the loader has AddDllDirectory
// (Windows 8, and Windows 7 / Vista with the loader update); elsewhere it fails the call.
bool LoaderKnowsSearchFlags() {
  HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  return kernel != nullptr && ::GetProcAddress(kernel, "AddDllDirectory") != nullptr;
}

}  // namespace

UniqueModule LoadSystemLibrary(const wchar_t* fileName) {
  if (fileName == nullptr || *fileName == 0 || std::wcspbrk(fileName, L"\\/:") != nullptr) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return UniqueModule();
  }
  if (LoaderKnowsSearchFlags()) {
    return UniqueModule(::LoadLibraryExW(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  }
  wchar_t folder[MAX_PATH];
  UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    if (length != 0) ::SetLastError(ERROR_BUFFER_OVERFLOW);
    return UniqueModule();
  }
  std::wstring path(folder, length);
  if (path.back() != L'\\') path += L'\\';
  path += fileName;
  // With a full path, the library's own dependencies are looked up in its folder first.
  return UniqueModule(::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

}  // namespace qs
