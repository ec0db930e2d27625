#pragma once
// The value in which an association keeps the default value it replaced, beside it in the same
// key, so that the uninstaller can put it back.
#include <string>
#include <string_view>

namespace qs {

// The product's name followed by " Backup", with every backslash, CR, LF and tab removed.
std::u16string AssociationBackupName(std::u16string_view productName);

}  // namespace qs
