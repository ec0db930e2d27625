#pragma once
// What a TOML text must not hold before toml++ parses it.
//
// toml++ 3.3 (Debian 12's) asks of some characters whether they are blanks with a lookup that
// ends in __builtin_unreachable() for most of U+00A1-U+0499, U+2C8E-U+3087 and U+FC06-U+FEFE
// (marzer/tomlplusplus issues 190 and 295): undefined behaviour, in practice a crash or a
// misread, for a project that names a product "§" or "ろ" in the wrong place. It asks only
// outside strings and comments, and in a multi-line basic string right after a backslash. Those
// are the places where TOML allows no character beyond ASCII anyway (the one exception: the
// text that follows a line-ending backslash on the next line), so they are refused before the
// parser sees them.
#include <string>
#include <string_view>

namespace qs::builder {

// "" when the text may be parsed; otherwise what is wrong, and `line` (from 1) where it is.
std::string FindUnsafeTomlCharacter(std::string_view text, int& line);

}  // namespace qs::builder
