#pragma once
// The program's own executable file, which carries the payload.
#include <string>
#include <string_view>

#include "base/file_win.h"

namespace qs {

// The running module's full file name.
std::wstring ModuleFileName();

// The program named by a full command line: the quoted first item, or the text up to the first
// space; ".EXE" is added to a name without an extension. Empty for an empty command line.
std::wstring ProgramNameFromCommandLine(std::wstring_view commandLine);

// Opens the program's own file for reading, or ends the run with the "Error code 1" message.
void OpenOwnFile(InputFile& file);

}  // namespace qs
