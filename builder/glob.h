#pragma once
// How a [[files]] group of the project chooses files: the `include` and `exclude` patterns.
#include <string_view>

namespace qs::builder {

// Glob matching of a relative path with "/" separators: "*" matches within one folder,
// "**" across folders (as a whole part, "**/" also matches no folder at all), "?" one
// character other than "/". Case-sensitive.
bool MatchGlob(std::string_view pattern, std::string_view path);

}  // namespace qs::builder
