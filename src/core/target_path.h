#pragma once
// Where a payload entry is installed.
#include <functional>
#include <string>
#include <string_view>

#include "core/payload_entry.h"

namespace qs {

struct TargetFolders {
  std::u16string installDir;
  std::u16string sharedDir;
  std::u16string uninstallDir;
  std::u16string fontsDir;
  std::u16string systemDir;
};

struct TargetPath {
  std::u16string path;
  bool createFolders = false;
  bool inKindFolder = false;  // joined to the kind's own folder (no destination, no bit 6)
};

using TextExpander = std::function<std::u16string(std::u16string_view)>;

// A destination without a backslash renames the entry (entry.name changes). Returns 0 or 110
// for a kind outside the table.
int ResolveTargetPath(PayloadEntry& entry, const TargetFolders& folders,
                      const TextExpander& expandVariables, TargetPath& target);

// "a" + "\\" + "b" without doubling the backslash.
std::u16string JoinPath(std::u16string_view folder, std::u16string_view name);
// A drive ("X:") or a leading backslash or slash.
bool IsRootedPath(std::u16string_view path);
// Whether a component of `path` is made only of dots and blanks: "..", ".", ". ." (Windows
// drops a component's trailing dots and blanks, so each of these is a step up or nothing).
bool HasDotComponent(std::string_view path);
bool HasDotComponent(std::u16string_view path);
// Whether a relative name stays inside the folder it is joined to: no colon (a drive or a
// stream) and no dot component. A leading "|" is skipped.
bool StaysInsideFolder(std::string_view name);
bool StaysInsideFolder(std::u16string_view name);
// What follows the last backslash or slash; a "|" text keeps its bar when the part is not ASCII.
std::string FileNamePart(std::string_view path);
std::u16string FileNamePart(std::u16string_view path);
// What comes before the last backslash or slash: "C:\a\b.txt" gives "C:\a", a file in a drive's
// root gives the root "C:\", a bare name "".
std::u16string FolderPart(std::u16string_view path);

}  // namespace qs
