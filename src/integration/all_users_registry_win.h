#pragma once
// The "\\HKAU\\" registry convention: a subkey that stands for the same subkey in the hive of
// every user profile whose hive is loaded. The profiles are the subkeys (security identifiers)
// of HKLM "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList"; a profile counts when
// HKEY_USERS\\<identifier> opens.
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "base/handle_win.h"

namespace qs {

struct UserHive {
  std::wstring identifier;  // the profile's security identifier
  UniqueRegKey key;         // HKEY_USERS\<identifier>, open for reading
};

// The hives of the loaded profiles, each opened (open-only) for reading with `view`.
std::vector<UserHive> LoadedUserHives(REGSAM view = 0);

// For every loaded profile, below its hive. A key or value that is not there counts as done;
// the result is false when any user's key or value was there and could not be deleted.
bool DeleteEmptyKeyForAllUsers(std::wstring_view subkey, REGSAM view = 0);
bool DeleteValueForAllUsers(std::wstring_view subkey, std::wstring_view valueName, REGSAM view = 0);

}  // namespace qs
