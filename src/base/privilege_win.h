#pragma once
#include <windows.h>

namespace qs {

// Enables a privilege the process token holds (for example "SeTakeOwnershipPrivilege").
// False when the token does not hold it or cannot be adjusted.
bool EnablePrivilege(const wchar_t* name);

// The process runs with the rights of the Administrators group (elevated where that applies).
bool HasAdministratorRights();

}  // namespace qs
