#pragma once
// The installation run, from the payload start-up to the exit code.
#include "base/file_win.h"
#include "core/command_line.h"

namespace qs {

// Runs the installation from the program's own open file. Never returns: installation runs
// end with exit code 1.
[[noreturn]] void RunInstallation(InputFile& ownFile, const CommandLineOptions& options);

}  // namespace qs
