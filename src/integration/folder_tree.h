#pragma once
// Which folders the uninstaller may delete with everything in them.
#include <string_view>

namespace qs {

// True for an absolute path with at least one folder below a drive's root or a network share:
// "C:\\Apps\\Tool", "\\\\server\\share\\Tool", also in the "\\\\?\\" forms. False for a drive
// root, a share itself, a relative path and a path with a "." or ".." component, whose whole
// tree could be far more than the product's folder.
bool IsDeletableFolderTree(std::u16string_view folder);

}  // namespace qs
