#pragma once
// The product's record of the shared files it has counted ("SharedFiles" in its Add/Remove
// Programs registration) and the markers its entries carry.
#include <string>
#include <string_view>
#include <vector>

namespace qs {

// Markers after a shared file's path.
inline constexpr char kSharedPermanent = ' ';       // counted, never deleted
inline constexpr char kSharedComServer = '^';       // unregistered before deleting
inline constexpr char kSharedTypeLibrary = '\xA9';  // unregistered before deleting

struct SharedFileEntry {
  std::string path;  // narrow, "|" convention, without its marker
  char marker = 0;   // one of the markers above, or 0 for an ordinary shared file
  bool operator==(const SharedFileEntry&) const = default;
};

// Removes the marker from `pathWithMarker`, testing "^", then " ", then 0xA9. In a "|" path
// (UTF-8) a last byte 0xA9 that completes the path's last character ("\xC3\xA9" is "é") is
// part of the path, not a marker.
SharedFileEntry SplitSharedMarker(std::string_view pathWithMarker);

// The entry as the record holds it: the path with its marker in double quotes (a quote inside,
// which no path has, doubled).
std::string QuoteSharedEntry(std::string_view pathWithMarker);
// True when `text` already lists the entry: the same path with the same marker, as a whole
// entry.
bool ListsSharedEntry(std::string_view text, std::string_view pathWithMarker);
// Appends the quoted entry, after a ";" when `text` is not empty.
void AppendSharedEntry(std::string& text, std::string_view pathWithMarker);

// The entries of the record, in order: each between a pair of double quotation marks (a
// doubled quote inside stands for one), separated by ";" (written by AppendSharedEntry) or each
// followed by ";" (also read). Entries without a path and an unterminated last entry are left
// out.
std::vector<SharedFileEntry> ParseSharedFiles(std::string_view text);

}  // namespace qs
