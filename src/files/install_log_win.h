#pragma once
// Install.LOG: the run's log and failure summary appended under a header that names the run.
#include <string_view>

#include <string>

#include "core/install_run.h"

namespace qs {

// Appends the log of `run` to run.installLogPath, with `summary` as its failure summary (empty:
// the run succeeded), and notes in run.writtenLog where it went. False when the file could not
// be opened; nothing is written then.
bool WriteInstallLogFile(InstallRun& run, std::u16string_view summary, bool isReinstall);

// Lines logged after the file was written (a program that would not start at the very end) go
// into this run's text in the file, in front of its summary or completion text, as if they had
// been logged in time. Nothing happens when this run wrote no file or has logged nothing since.
void UpdateInstallLogFile(InstallRun& run);

// Shows Install.LOG: the program associated with it, else Notepad.
void OpenInstallLog(const InstallRun& run);

// Notepad from the system folder with `path`: never a notepad.exe that the folder the
// installer was started from, or the current one, happens to hold.
std::wstring ViewInNotepadCommand(const std::wstring& path);

}  // namespace qs
