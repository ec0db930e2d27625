#pragma once
// The one way the program loads a library at run time: from the system folder, never through
// the search path, so a planted DLL beside the installer (a downloads folder) is never used.
#include <windows.h>

#include "base/handle_win.h"

namespace qs {

// `fileName` is a bare file name such as L"version.dll". A name with a folder in it is refused
// (ERROR_INVALID_PARAMETER). On failure the module is empty and GetLastError() tells why.
UniqueModule LoadSystemLibrary(const wchar_t* fileName);

// A function of a loaded library as its real type; null when the library lacks it.
template <typename Function>
Function LibraryFunction(const UniqueModule& module, const char* name) {
  if (!module) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module.Get(), name)));
}

}  // namespace qs
