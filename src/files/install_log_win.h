#pragma once
// Install.LOG: the run's log and failure summary appended under a header that names the run.
#include <string_view>

#include "core/install_run.h"

namespace qs {

// Appends the log of `run` to run.installLogPath, with `summary` as its failure summary (empty:
// the run succeeded). False when the file could not be opened; nothing is written then.
bool WriteInstallLogFile(const InstallRun& run, std::u16string_view summary, bool isReinstall);

// Shows Install.LOG: the program associated with it, else Notepad.
void OpenInstallLog(const InstallRun& run);

}  // namespace qs
