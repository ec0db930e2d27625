#pragma once
// Everything the run starts outside itself goes through one SystemActions: the restart, the
// programs, documents and batch files it launches, and the notification request. Test runs
// (the transcript variable set) get a recording that writes each call to the transcript
// instead of doing it.
#include <windows.h>

#include <string>
#include <string_view>

namespace qs {

class SystemActions {
 public:
  virtual ~SystemActions() = default;

  // Restarts the machine (planned, application, installation). False on failure, with
  // GetLastError telling why.
  virtual bool Restart() = 0;
  // Starts `commandLine` with `folder` as its current folder (none: this process's) and does
  // not wait. 0 or the system error.
  virtual DWORD StartProgram(std::wstring_view commandLine, std::wstring_view folder) = 0;
  // Opens `path` through the shell's "open" verb. 0 or the system error.
  virtual DWORD OpenThroughShell(std::wstring_view path, std::wstring_view folder) = 0;
  // Starts a batch file through the command interpreter, hidden, without waiting. True when it
  // was started.
  virtual bool LaunchBatch(std::wstring_view batchPath) = 0;
  // Starts the run's one notification request of `url` (already complete); ExitInstaller
  // waits for it.
  virtual void StartNotification(std::wstring_view url) = 0;
};

// Picks the implementation; called with StartUserInterface.
void StartSystemActions();
SystemActions& System();

}  // namespace qs
