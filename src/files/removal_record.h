#pragma once
// Recording what the uninstaller removes.
#include <set>
#include <string>
#include <string_view>

namespace qs {

enum class RemovalEntry {
  kFile,
  kFolder,         // "~" + the path
  kRegistryValue,  // "!" + the value's full path
};

// Adds an entry to `removalList`, one a line, in the narrow form Uninstall.DAT stores
// (base/text.h). Paths of three characters or fewer (a drive root) are never recorded; a folder
// is recorded once per list, ignoring ASCII case: `recordedFolders` holds the lower-cased forms
// of those already in it.
void RecordForRemoval(std::string& removalList, std::set<std::u16string>& recordedFolders,
                      std::u16string_view path, RemovalEntry entry);

}  // namespace qs
