#pragma once
// Folders of the running system, narrow with the "|" convention.
#include <string>

namespace qs {

std::string WindowsFolder();
// The Program Files folder as this 32-bit process sees it ("... (x86)" on a 64-bit system).
std::string ProgramFilesFolder();

}  // namespace qs
