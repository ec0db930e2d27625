#include "integration/all_users_registry_win.h"

#include "base/registry_delete_win.h"
#include "base/registry_view_win.h"

namespace qs {
namespace {

constexpr wchar_t kProfileListKey[] =
    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
// A security identifier is far shorter; longer names are no profiles.
constexpr DWORD kMaxIdentifier = 256;

bool Done(LONG result) {
  return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND ||
         result == ERROR_PATH_NOT_FOUND;
}

}  // namespace

std::vector<UserHive> LoadedUserHives(REGSAM view) {
  std::vector<UserHive> hives;
  UniqueRegKey profiles;
  // The profile list is one list for the whole machine; the 64-bit view reaches it from a 32-bit
  // process on every system (the bit is ignored on 32-bit Windows).
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProfileListKey, 0,
                      KEY_ENUMERATE_SUB_KEYS | KEY_WOW64_64KEY,
                      profiles.Receive()) != ERROR_SUCCESS) {
    return hives;
  }
  for (DWORD index = 0;; ++index) {
    wchar_t name[kMaxIdentifier + 1];
    DWORD length = kMaxIdentifier + 1;
    LONG result =
        ::RegEnumKeyExW(profiles.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_MORE_DATA) continue;
    if (result != ERROR_SUCCESS) break;
    UserHive hive{std::wstring(name, length), {}};
    if (::RegOpenKeyExW(HKEY_USERS, hive.identifier.c_str(), 0, InProgramView(KEY_READ | view),
                        hive.key.Receive()) == ERROR_SUCCESS) {
      hives.push_back(std::move(hive));
    }
  }
  return hives;
}

bool DeleteEmptyKeyForAllUsers(std::wstring_view subkey, REGSAM view) {
  bool allDone = true;
  for (const UserHive& hive : LoadedUserHives(view)) {
    LONG result = DeleteEmptyRegistryKey(hive.key.Get(), subkey, view);
    allDone = allDone && (Done(result) || result == ERROR_DIR_NOT_EMPTY);
  }
  return allDone;
}

bool DeleteValueForAllUsers(std::wstring_view subkey, std::wstring_view valueName, REGSAM view) {
  bool allDone = true;
  for (const UserHive& hive : LoadedUserHives(view)) {
    allDone = allDone && Done(DeleteRegistryValue(hive.key.Get(), subkey, valueName, view));
  }
  return allDone;
}

}  // namespace qs
