#include "files/search_path.h"

#include "base/text.h"

namespace qs {
namespace {

// The path and the folder lower-cased, unit for unit, so that a place found in one is the same
// place in the other.
struct FoldedTexts {
  std::u16string path;
  std::u16string folder;
};

FoldedTexts Fold(std::u16string_view path, std::u16string_view folder, SearchPathLowerCase lower) {
  if (lower != nullptr) {
    FoldedTexts folded{lower(path), lower(folder)};
    if (folded.path.size() == path.size() && folded.folder.size() == folder.size()) return folded;
  }
  return {AsciiLower(path), AsciiLower(folder)};
}

// Where `folder` stands as a whole entry followed by ";": at the start or right after a ";".
std::u16string_view::size_type FindEntryWithSeparator(std::u16string_view path,
                                                      std::u16string_view folder) {
  size_t start = 0;
  for (;;) {
    const size_t end = path.find(u';', start);
    if (end == std::u16string_view::npos) return std::u16string_view::npos;
    if (path.substr(start, end - start) == folder) return start;
    start = end + 1;
  }
}

// True when the last entry (after the last ";") is `folder`.
bool EndsWithEntry(std::u16string_view path, std::u16string_view folder) {
  const size_t separator = path.rfind(u';');
  const size_t start = separator == std::u16string_view::npos ? 0 : separator + 1;
  return path.substr(start) == folder;
}

}  // namespace

bool AddToSearchPathText(std::u16string& path, std::u16string_view folder,
                         SearchPathLowerCase lower) {
  if (path.empty() || folder.empty()) return false;
  const FoldedTexts folded = Fold(path, folder, lower);
  if (FindEntryWithSeparator(folded.path, folded.folder) != std::u16string_view::npos) {
    return false;
  }
  if (EndsWithEntry(folded.path, folded.folder)) return false;
  if (path.back() != u';') path.push_back(u';');
  path += folder;
  return true;
}

bool RemoveFromSearchPathText(std::u16string& path, std::u16string_view folder,
                              SearchPathLowerCase lower) {
  if (path.empty() || folder.empty()) return false;
  const FoldedTexts folded = Fold(path, folder, lower);
  const size_t found = FindEntryWithSeparator(folded.path, folded.folder);
  if (found != std::u16string_view::npos) {
    path.erase(found, folder.size() + 1);
    return true;
  }
  if (!EndsWithEntry(folded.path, folded.folder)) return false;
  path.erase(path.size() - folder.size());
  if (!path.empty() && path.back() == u';') path.pop_back();
  return true;
}

}  // namespace qs
