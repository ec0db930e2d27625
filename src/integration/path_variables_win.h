#pragma once
// Expansion of the path variables with this machine's and this installation's values, then of
// the environment variables.
#include <string>
#include <string_view>

namespace qs {

// Replaces every path variable (integration/path_variables.h) of `text` by its value, then lets
// the system expand environment variables ("%comspec%"). Tokens neither knows stay as written.
// The narrow form follows the "|" convention; a text without '%' comes back unchanged.
std::wstring ExpandPathVariables(std::wstring_view text);
std::u16string ExpandPathVariables(std::u16string_view text);
std::string ExpandPathVariables(std::string_view text);

// The environment step alone: ExpandEnvironmentStringsW into a buffer of 32,000 characters.
// When the call fails or the result does not fit, the text is kept as it is.
std::wstring ExpandEnvironment(std::wstring_view text);

}  // namespace qs
