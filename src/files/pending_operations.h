#pragma once
// The system's list of restart-time operations ("PendingFileRenameOperations", a REG_MULTI_SZ
// value): strings taken in pairs, source then target. An empty target deletes the source;
// otherwise the source is moved onto the target. Either may begin with any mix of "\\", "?"
// and "!" (the system's path prefixes, and "!" for "replace an existing target").
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace qs {

// Lower-cases a path the way the set of installed files was lower-cased. The Win32 side passes
// the system's case mapping, so letters outside ASCII fold too.
using PathLowerCase = std::u16string (*)(std::u16string_view);

// The path with its leading "\\", "?" and "!" removed, lower-cased by `lower`.
std::u16string NormalizePendingPath(std::u16string_view path, PathLowerCase lower);

struct PendingOperationsEdit {
  std::vector<std::u16string> operations;  // the list without the dropped pairs
  std::u16string log;                      // one line per dropped pair
  std::vector<std::u16string> toRecycle;   // normalised sources of the dropped moves
  bool changed = false;                    // a pair was dropped; the list must be written back
};

// Drops every pending move whose target is in `files` and every pending deletion whose source is
// in `files` or empty. `files` holds paths lowered the way `lower` lowers. A list of odd length
// is read as if an empty string followed.
PendingOperationsEdit DropPendingOperationsOn(std::vector<std::u16string> operations,
                                              const std::set<std::u16string>& files,
                                              PathLowerCase lower);

// The strings of a REG_MULTI_SZ value, given as its UTF-16 units. Each string ends with a zero
// unit and the list with one more, so "a\0\0\0" is "a" and an empty string (a deletion), not
// "a" alone: empty strings are kept, and only the final one (the list's end) is dropped. Units
// after the last zero form one more string; a value of nothing but zeros is the empty list.
std::vector<std::u16string> ParseMultiString(std::u16string_view data);
// The value's units for `strings`: each with its zero, then the list's closing zero.
std::u16string EncodeMultiString(const std::vector<std::u16string>& strings);

}  // namespace qs
