#pragma once
// Deleting registry keys and values, for the uninstaller. `view` is 0 or one of the registry
// view bits (KEY_WOW64_64KEY, KEY_WOW64_32KEY); every call returns a system error code.
#include <windows.h>

#include <string_view>

namespace qs {

// Deletes the key when it has neither subkeys nor values: ERROR_SUCCESS, ERROR_FILE_NOT_FOUND
// when it is not there, ERROR_DIR_NOT_EMPTY when something is left in it. An empty `subkey`
// (the root itself) is refused with ERROR_INVALID_PARAMETER.
LONG DeleteEmptyRegistryKey(HKEY root, std::wstring_view subkey, REGSAM view = 0);

// Deletes the key with all its subkeys and values; ERROR_FILE_NOT_FOUND when it is not there.
// An empty `subkey` is refused as above.
LONG DeleteRegistryTree(HKEY root, std::wstring_view subkey, REGSAM view = 0);

// Deletes one value (an empty name is the key's default value).
LONG DeleteRegistryValue(HKEY root, std::wstring_view subkey, std::wstring_view valueName,
                         REGSAM view = 0);

// The number of subkeys and of values of an open key; false when the key cannot be asked.
bool CountRegistryKeyItems(HKEY key, DWORD& subkeys, DWORD& values);

}  // namespace qs
