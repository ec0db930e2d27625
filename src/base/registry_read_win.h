#pragma once
// Reading single values of the registry, for the decisions taken before anything is written.
#include <windows.h>

#include <string>
#include <string_view>

namespace qs {

// The whole data of the value `name` of an open key, however long, as 16-bit units (an odd last
// byte is dropped), and its type. The value may grow between two calls; each refusal gives the
// size it needs now, and a value that keeps growing is given up rather than read in part
// (written back, a part would lose the rest). False when the value is missing or cannot be
// read.
bool ReadRegistryValueUnits(HKEY key, const wchar_t* name, DWORD& type, std::u16string& units);

// A string value (REG_SZ or REG_EXPAND_SZ, unexpanded) of an open key, without its terminating
// zeros. False when it is missing or holds no string.
bool ReadKeyText(HKEY key, const wchar_t* name, std::wstring& value);
// A REG_DWORD value of an open key. False when it is missing or of another type.
bool ReadKeyNumber(HKEY key, const wchar_t* name, DWORD& value);

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
