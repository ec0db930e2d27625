#pragma once
// Which folders the uninstaller may delete with everything in them.
#include <string_view>

namespace qs {

// True for an absolute path with at least one folder below a drive's root or a network share:
// "C:\\Apps\\Tool", "\\\\server\\share\\Tool", also in the "\\\\?\\" forms. False for a drive
// root, a share itself, a relative path and a path with a component of dots and blanks only
// (core/target_path.h: ".", "..", ". ."), whose whole tree could be far more than the
// product's folder.
bool IsDeletableFolderTree(std::u16string_view folder);

// True when `folder` is `other` or holds it at any depth ("C:\\Users" holds
// "C:\\Users\\Me\\Desktop"). Names are compared unit for unit, so the caller folds case first;
// "/" for "\\", doubled and trailing separators and the "\\\\?\\" forms make no difference.
bool HoldsFolder(std::u16string_view folder, std::u16string_view other);

}  // namespace qs
