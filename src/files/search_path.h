#pragma once
// Adding the installation folder to the machine's search path and taking it out again.
#include <string>
#include <string_view>

namespace qs {

// Edits the text of the "Path" value. True when it changed and must be written back. An empty
// path never changes; letters are compared without regard to case.
bool AddToSearchPathText(std::u16string& path, std::u16string_view folder);
bool RemoveFromSearchPathText(std::u16string& path, std::u16string_view folder);

}  // namespace qs
