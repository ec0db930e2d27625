#include "base/registry_delete_win.h"

#include <string>

#include "base/handle_win.h"
#include "base/registry_view_win.h"

namespace qs {

bool CountRegistryKeyItems(HKEY key, DWORD& subkeys, DWORD& values) {
  subkeys = values = 0;
  return ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                            nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

LONG DeleteEmptyRegistryKey(HKEY root, std::wstring_view subkey, REGSAM view) {
  if (subkey.empty()) return ERROR_INVALID_PARAMETER;
  const std::wstring path(subkey);
  {
    UniqueRegKey key;
    LONG result = ::RegOpenKeyExW(root, path.c_str(), 0, InProgramView(KEY_QUERY_VALUE | view),
                                  key.Receive());
    if (result != ERROR_SUCCESS) return result;
    DWORD subkeys = 0;
    DWORD values = 0;
    result = ::RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                &values, nullptr, nullptr, nullptr, nullptr);
    if (result != ERROR_SUCCESS) return result;
    if (subkeys != 0 || values != 0) return ERROR_DIR_NOT_EMPTY;
  }
  return ::RegDeleteKeyExW(root, path.c_str(), InProgramView(view), 0);
}

LONG DeleteRegistryTree(HKEY root, std::wstring_view subkey, REGSAM view) {
  if (subkey.empty()) return ERROR_INVALID_PARAMETER;
  const std::wstring path(subkey);
  {
    // Opened in the view asked for, so that the subkeys are found in that view too.
    UniqueRegKey key;
    LONG result = ::RegOpenKeyExW(
        root, path.c_str(), 0,
        InProgramView(DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE | view),
        key.Receive());
    if (result != ERROR_SUCCESS) return result;
    result = ::RegDeleteTreeW(key.Get(), nullptr);
    if (result != ERROR_SUCCESS) return result;
  }
  return ::RegDeleteKeyExW(root, path.c_str(), InProgramView(view), 0);
}

LONG DeleteRegistryValue(HKEY root, std::wstring_view subkey, std::wstring_view valueName,
                         REGSAM view) {
  const std::wstring path(subkey);
  const std::wstring name(valueName);
  UniqueRegKey key;
  LONG result =
      ::RegOpenKeyExW(root, path.c_str(), 0, InProgramView(KEY_SET_VALUE | view), key.Receive());
  if (result != ERROR_SUCCESS) return result;
  return ::RegDeleteValueW(key.Get(), name.c_str());
}

}  // namespace qs
