#pragma once
// The text side of a file specification: its lines, each line's base folder and the full paths
// of its items. Listing the folders is the system's part (files/file_specification_win.h).
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"

namespace qs {

struct SpecificationLine {
  std::u16string text;      // trimmed, without " /s"
  bool subfolders = false;  // the line ended in " /s": search every folder below as well
};

// The non-empty lines of a narrow specification, trimmed of blanks, each with its " /s" noted
// and removed. A specification beginning with "|" is UTF-8 as a whole; otherwise each line is
// decoded by itself, so a line of its own may carry the "|" form.
std::vector<SpecificationLine> SplitSpecification(std::string_view specification,
                                                  AnsiDecoder decodeAnsi);

// "X:\..." or "\\...".
bool IsAbsolutePath(std::u16string_view path);

// The folder of the line's last backslash, from the item that holds it; a drive root keeps its
// backslash ("C:\"). Without a backslash: `defaultFolder`; a relative folder is taken against
// `defaultFolder`.
std::u16string LineBaseFolder(std::u16string_view line, std::u16string_view defaultFolder);

// The line's ";"-separated items as full paths, trimmed, empty ones left out. A bare name takes
// the line's base folder ("C:\dir\a.txt;b.txt" names C:\dir\b.txt); a relative path with folders
// of its own is taken against `defaultFolder`, like the base folder itself.
std::vector<std::u16string> LineItems(std::u16string_view line, std::u16string_view defaultFolder);

// An item split at its last backslash: the folder to list (a drive root keeps its backslash) and
// the pattern to list it with.
struct ItemParts {
  std::u16string folder;
  std::u16string pattern;
};
ItemParts SplitItem(std::u16string_view item);

}  // namespace qs
