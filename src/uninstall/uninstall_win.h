#pragma once
// Removing an installed product, driven by the records its installation left.
#include <string_view>

namespace qs {

// True only when the product was removed completely. False when it could not start (no such
// product, no rights, unreadable record) or when anything could not be undone.
bool Uninstall(std::string_view productName);

}  // namespace qs
