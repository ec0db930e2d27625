#pragma once
// Where a payload entry is installed.
#include <functional>
#include <string>
#include <string_view>

#include "core/payload_entry.h"

namespace qs {

struct TargetFolders {
  std::string installDir;
  std::string sharedDir;
  std::string uninstallDir;
  std::string fontsDir;
  std::string systemDir;
};

struct TargetPath {
  std::string path;
  bool createFolders = false;
};

using PathExpander = std::function<std::string(std::string_view)>;

// A destination without a backslash renames the entry (entry.name changes). Returns 0 or 110
// for a kind outside the table.
int ResolveTargetPath(PayloadEntry& entry, const TargetFolders& folders,
                      const PathExpander& expandVariables, TargetPath& target);

// "a" + "\\" + "b" without doubling the backslash.
std::string JoinPath(std::string_view folder, std::string_view name);
bool IsAbsolutePath(std::string_view path);

}  // namespace qs
