#pragma once
// The machine-wide search path: "Path" under the session manager's Environment key.
#include <string_view>

namespace qs {

// Adds `folder` to the search path (`add`) or removes it. Nothing is reported: a key that
// cannot be opened or an empty search path leaves everything as it is.
void UpdateSearchPath(std::wstring_view folder, bool add);

}  // namespace qs
