#pragma once
// Folders of the running system, narrow with the "|" convention.
#include <string>
#include <string_view>

namespace qs {

std::string WindowsFolder();
// The Program Files folder as this 32-bit process sees it ("... (x86)" on a 64-bit system).
std::string ProgramFilesFolder();

// Expands the path variables, then the environment variables, of a narrow text.
std::string ExpandPathVariables(std::string_view text);

}  // namespace qs
