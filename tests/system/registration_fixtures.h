#pragma once
// A product's Add/Remove Programs registration as the tests read and remove it: the key in the
// 32-bit view the installer writes, its string values, and the program its commands start.
#include <windows.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "base/handle_win.h"

namespace qs::systest {

inline constexpr wchar_t kUninstallRoot[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

inline std::wstring UninstallKey(std::wstring_view keyName) {
  return kUninstallRoot + std::wstring(keyName);
}

inline bool Registered(const std::wstring& keyName) {
  UniqueRegKey key;
  return ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, UninstallKey(keyName).c_str(), 0,
                         KEY_READ | KEY_WOW64_32KEY, key.Receive()) == ERROR_SUCCESS;
}

// A string value of the registration, whole; empty when missing.
inline std::wstring RegistrationText(const std::wstring& keyName, const wchar_t* valueName) {
  const std::wstring key = UninstallKey(keyName);
  DWORD size = 0;
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), valueName,
                     RRF_RT_REG_SZ | RRF_SUBKEY_WOW6432KEY, nullptr, nullptr,
                     &size) != ERROR_SUCCESS) {
    return {};
  }
  std::wstring value(size / sizeof(wchar_t), L'\0');
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), valueName,
                     RRF_RT_REG_SZ | RRF_SUBKEY_WOW6432KEY, nullptr, value.data(),
                     &size) != ERROR_SUCCESS) {
    return {};
  }
  value.resize(size / sizeof(wchar_t));
  while (!value.empty() && value.back() == L'\0') value.pop_back();
  return value;
}

// Writes a string value of the registration, as only an administrator can; an empty `data`
// deletes the value. The system's status.
inline LONG SetRegistrationText(const std::wstring& keyName, const wchar_t* valueName,
                                const std::wstring& data) {
  UniqueRegKey key;
  const LONG opened = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, UninstallKey(keyName).c_str(), 0,
                                      KEY_SET_VALUE | KEY_WOW64_32KEY, key.Receive());
  if (opened != ERROR_SUCCESS) return opened;
  if (data.empty()) return ::RegDeleteValueW(key.Get(), valueName);
  return ::RegSetValueExW(key.Get(), valueName, 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

// The registration with all it holds; nothing when missing.
inline void DeleteRegistration(const std::wstring& keyName) {
  const std::wstring path = UninstallKey(keyName);
  UniqueRegKey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                      key.Receive()) != ERROR_SUCCESS) {
    return;
  }
  ::RegDeleteTreeW(key.Get(), nullptr);
  key.Reset();
  ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WOW64_32KEY, 0);
}

// The program a command line starts: its first argument, quoted or not.
inline std::filesystem::path ProgramOf(const std::wstring& commandLine) {
  if (commandLine.starts_with(L"\"")) {
    return commandLine.substr(1, commandLine.find(L'"', 1) - 1);
  }
  return commandLine.substr(0, commandLine.find(L' '));
}

}  // namespace qs::systest
