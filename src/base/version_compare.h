#pragma once
#include <string>
#include <string_view>

namespace qs {

// Numeric, component-wise comparison of version texts: runs of digits are numbers, a "."
// before any number counts as 0, the last letter seen is a tie-breaking suffix, anything else
// is skipped. 1.10 > 1.9, 2.0.1 > 2.0, 1.2b > 1.2a > 1.2, ".5" == "0.5".
// Returns negative, zero or positive.
int CompareVersions(std::string_view a, std::string_view b);

// A file's "FileVersion" text as versions are compared: every "," becomes "." and blanks,
// tabs, carriage returns and line feeds are trimmed from both ends.
std::string NormalizeFileVersionText(std::string_view text);

}  // namespace qs
