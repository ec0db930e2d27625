#pragma once
// Taking back what component registration did, for files the uninstaller deletes.
#include <string>

namespace qs {

// DllUnregisterServer of the file, run in this process; for a 64-bit product (or when the
// file cannot be loaded here) "regsvr32.exe /s /u" from the system folder, hidden and awaited.
// True when the unregistration reported success.
bool UnregisterComServer(const std::wstring& path, bool product64);

// Removes the registration of the type library in `path`. True on success.
bool UnregisterTypeLibrary(const std::wstring& path);

}  // namespace qs
