#pragma once
// Removing an installed product, driven by the records its installation left.
#include <string_view>

namespace qs {

// True only when the product was removed completely. False when it could not start (no such
// product, no rights, unreadable record) or when anything could not be undone.
bool Uninstall(std::u16string_view productName);

// After a complete uninstallation, just before the process ends: the product's notification
// request, then the batch that removes the uninstaller and its folders.
void FinishUninstall();

}  // namespace qs
