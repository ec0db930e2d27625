#pragma once
// Reading single values of the registry, for the decisions taken before anything is written.
#include <windows.h>

#include <string>
#include <string_view>

namespace qs {

// True when the key opens for reading.
bool RegistryKeyExists(HKEY root, std::wstring_view key, REGSAM view = 0);
// A string value (REG_SZ or REG_EXPAND_SZ, unexpanded) without its terminating zero. False
// when the key or value is missing or holds no string.
bool ReadRegistryText(HKEY root, std::wstring_view key, std::wstring_view valueName,
                      std::wstring& value, REGSAM view = 0);
// The same, empty when missing.
std::wstring RegistryText(HKEY root, std::wstring_view key, std::wstring_view valueName,
                          REGSAM view = 0);

// A value given by its full path: "HKLM\\key\\name", "HKEY_CURRENT_USER\\key\\name", ... (roots
// HKLM, HKCU, HKCR, HKU, HKCC, HKDD and HKAU for all users (HKLM), short or long). False for an
// unknown root.
bool SplitRegistryValuePath(std::wstring_view path, HKEY& root, std::wstring& key,
                            std::wstring& valueName);

}  // namespace qs
