#pragma once
// Adding the installation folder to the machine's search path and taking it out again.
#include <string>
#include <string_view>

namespace qs {

// Lower-cases a text without changing its length. The Win32 side passes the system's own
// (letters outside ASCII included); without one, ASCII letters are folded.
using SearchPathLowerCase = std::u16string (*)(std::u16string_view);

// Edits the text of the "Path" value. True when it changed and must be written back. An empty
// path never changes. The folder is matched as a whole entry between ";" separators, without
// regard to case: a folder that is only part of another entry ("D:\C:\App" or "C:\Apple" for
// "C:\App") is not touched.
// Adding leaves a path that lists the folder already as it is, and otherwise appends it after a
// ";". Removing takes out the first entry "folder;", or else a last entry "folder" with the ";"
// before it.
bool AddToSearchPathText(std::u16string& path, std::u16string_view folder,
                         SearchPathLowerCase lower = nullptr);
bool RemoveFromSearchPathText(std::u16string& path, std::u16string_view folder,
                              SearchPathLowerCase lower = nullptr);

}  // namespace qs
