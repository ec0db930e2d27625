#include "integration/folder_tree.h"

#include <vector>

namespace qs {
namespace {

bool IsSeparator(char16_t c) {
  return c == u'\\' || c == u'/';
}

bool StartsWith(std::u16string_view text, std::u16string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool IsDriveLetter(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// The components of `path`, empty ones left out.
std::vector<std::u16string_view> Components(std::u16string_view path) {
  std::vector<std::u16string_view> parts;
  size_t start = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && !IsSeparator(path[i])) continue;
    if (i > start) parts.push_back(path.substr(start, i - start));
    start = i + 1;
  }
  return parts;
}

}  // namespace

bool IsDeletableFolderTree(std::u16string_view folder) {
  bool network = false;
  if (StartsWith(folder, u"\\\\?\\UNC\\")) {
    folder.remove_prefix(8);
    network = true;
  } else if (StartsWith(folder, u"\\\\?\\")) {
    folder.remove_prefix(4);
  } else if (folder.size() >= 2 && IsSeparator(folder[0]) && IsSeparator(folder[1])) {
    folder.remove_prefix(2);
    network = true;
  }
  // A drive path needs "X:" followed by a separator: "C:Apps" is relative to the drive's
  // current folder.
  if (!network && (folder.size() < 3 || !IsDriveLetter(folder[0]) || folder[1] != u':' ||
                   !IsSeparator(folder[2]))) {
    return false;
  }
  const std::vector<std::u16string_view> parts = Components(folder);
  for (size_t i = 0; i < parts.size(); ++i) {
    if (parts[i] == u"." || parts[i] == u"..") return false;
    // Only the drive has a colon; elsewhere it names a file's stream.
    if (i > 0 && parts[i].find(u':') != std::u16string_view::npos) return false;
  }
  // Drive: "C:" and a folder; network: server, share and a folder.
  const size_t rootParts = network ? 2 : 1;
  return parts.size() > rootParts;
}

}  // namespace qs
