#include "integration/folder_tree.h"

#include <vector>

#include "base/text_scan.h"
#include "core/target_path.h"

namespace qs {
namespace {

bool IsSeparator(char16_t c) {
  return c == u'\\' || c == u'/';
}

bool StartsWith(std::u16string_view text, std::u16string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// A path taken apart: whether it names a network share, the path after its "\\?\", "\\?\UNC\"
// or "\\" prefix, and the components of that, empty ones left out ("C:" first for a drive,
// server and share first for a share).
struct FolderParts {
  bool network = false;
  std::u16string_view body;
  std::vector<std::u16string_view> parts;
};

FolderParts SplitFolder(std::u16string_view path) {
  FolderParts folder;
  if (StartsWith(path, u"\\\\?\\UNC\\")) {
    path.remove_prefix(8);
    folder.network = true;
  } else if (StartsWith(path, u"\\\\?\\")) {
    path.remove_prefix(4);
  } else if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    path.remove_prefix(2);
    folder.network = true;
  }
  folder.body = path;
  size_t start = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && !IsSeparator(path[i])) continue;
    if (i > start) folder.parts.push_back(path.substr(start, i - start));
    start = i + 1;
  }
  return folder;
}

}  // namespace

bool IsDeletableFolderTree(std::u16string_view folder) {
  const FolderParts split = SplitFolder(folder);
  const std::vector<std::u16string_view>& parts = split.parts;
  // A drive path needs "X:" followed by a separator: "C:Apps" is relative to the drive's
  // current folder, and "\\Apps" to the current drive.
  const std::u16string_view body = split.body;
  if (!split.network &&
      (body.size() < 3 || !IsDriveLetter(body[0]) || body[1] != u':' || !IsSeparator(body[2]))) {
    return false;
  }
  for (size_t i = 0; i < parts.size(); ++i) {
    if (HasDotComponent(parts[i])) return false;
    // Only the drive has a colon; elsewhere it names a file's stream.
    if (i > 0 && parts[i].find(u':') != std::u16string_view::npos) return false;
  }
  // Drive: "C:" and a folder; network: server, share and a folder.
  const size_t rootParts = split.network ? 2 : 1;
  return parts.size() > rootParts;
}

bool HoldsFolder(std::u16string_view folder, std::u16string_view other) {
  const FolderParts outer = SplitFolder(folder);
  const FolderParts inner = SplitFolder(other);
  if (outer.parts.empty() || outer.network != inner.network ||
      outer.parts.size() > inner.parts.size()) {
    return false;
  }
  for (size_t i = 0; i < outer.parts.size(); ++i) {
    if (outer.parts[i] != inner.parts[i]) return false;
  }
  return true;
}

}  // namespace qs
