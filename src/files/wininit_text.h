#pragma once
// The "[rename]" section of wininit.ini, which the Windows 9x family reads at start to move and
// delete files that were in use: each line is "target=source" in short (8.3) form, and the
// target "NUL" deletes the source.
#include <string>
#include <string_view>

namespace qs {

// `text` with "target=source" added as the first line of its "[rename]" section. Without such
// a section, the text gets a line break at its end (unless it is empty or has one) and then
// "[rename]\r\n" and the line. The section name is matched exactly, as the system writes it.
std::string AddWininitRename(std::string_view text, std::string_view target,
                             std::string_view source);

}  // namespace qs
