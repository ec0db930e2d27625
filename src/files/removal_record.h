#pragma once
// Recording what the uninstaller removes.
#include <set>
#include <string>
#include <string_view>

namespace qs {

enum class RemovalEntry { kFile, kFolder };

// Adds a file, or a folder as "~" + path, to `removalList`, one entry a line. Paths of three
// characters or fewer (a drive root) are never recorded; a folder is recorded once per list,
// ignoring case: `recordedFolders` holds the lower-cased forms of those already in it.
void RecordForRemoval(std::string& removalList, std::set<std::string>& recordedFolders,
                      std::string_view path, RemovalEntry entry);

}  // namespace qs
