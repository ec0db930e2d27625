#pragma once
// The batches that finish what a running program cannot do to itself, and the notification
// request that ends a run.
#include <string>
#include <string_view>

namespace qs {

// The folder of the self-removal batches: the system's temporary path without its trailing
// "\\" (the %Temp% folder); "c:\\temp" when the system gives none.
std::wstring SelfRemovalFolder();

// Writes a batch file, replacing an earlier file of that name. False when it could not be
// written, with GetLastError telling why.
bool WriteBatchFile(const std::wstring& path, std::string_view bytes);

// Writes utrri.bat, which runs `uninstallCommand` (narrow, "|" convention), then this
// installer again with the command line it was given, then deletes itself, and launches it.
// True when the batch was started.
bool UninstallThenReinstall(const std::string& uninstallCommand);

// Writes delunins.bat, which removes the running uninstaller, its empty folders and the
// installation folder once the process has ended, and launches it. False when it was
// launched; true when it could not be written or the running program is not the one in the
// uninstall folder (nothing is launched then).
bool ScheduleSelfRemoval(const std::wstring& installDir, const std::wstring& uninstallSubdir);

// Starts the run's notification request: `url` with "%version%" replaced by the URL-encoded
// `version` (`url` narrow, "|" convention). Nothing when `url` is empty.
void StartNotificationRequest(const std::string& url, std::u16string_view version);

}  // namespace qs
