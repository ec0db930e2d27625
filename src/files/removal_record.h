#pragma once
// Recording what the uninstaller removes.
#include <string_view>

#include "core/install_run.h"

namespace qs {

enum class RemovalEntry { kFile, kFolder };

// Adds a file, or a folder as "~" + path, to run.removalList. Paths of three characters or
// fewer (a drive root) are never recorded; a folder is recorded once per run, ignoring case.
void RecordForRemoval(InstallRun& run, std::string_view path, RemovalEntry entry);

}  // namespace qs
