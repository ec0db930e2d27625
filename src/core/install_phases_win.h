#pragma once
// The phases of an installation that have modules of their own. The install sequence calls
// each at its place; a phase logs and collects its own failures (InstallRun::installLog and
// failureSummary) and never ends the run, unless it says otherwise.
#include <windows.h>

#include <string>
#include <vector>

#include "core/install_run.h"
#include "core/payload_startup_win.h"
#include "core/product_settings.h"

namespace qs {

// Ends the program with the refusal that names `features` (UnbuiltFeature bits) when there are
// any; returns when `features` is 0.
void RefuseUnbuiltFeatures(uint32_t features);

// The background window behind the pages: created before the remaining settings are read
// (minimised with /min), with the caption and title they begin with, and shown again with all
// of them and the picture once the language is chosen. With kFlagNoBackgroundWindow the
// sequence never creates it, and the second call does nothing.
void CreateBackgroundWindow();
void LayOutBackgroundWindow();
// The uninstaller's, once the registration is read: its picture is the file the installation
// left in `uninstallDir`.
void CreateUninstallBackgroundWindow(std::u16string_view uninstallDir);

// Closes the applications of the auto-close list that are due before installing.
void CloseRunningApplications();
// The uninstaller's two passes over the auto-close list it read back (2 before the question,
// 4 after it).
void CloseApplicationsForUninstall(const std::vector<AutoCloseEntry>& entries, int pass);

// Runs one of the product's batches with the command line's addition appended.
void RunProductBatch(BatchIndex batch, const std::string& addition);
// Runs an uninstall batch text and waits for it; `quiet` hides its window and drops its PAUSE
// lines.
void RunUninstallBatch(const std::string& text, bool quiet);

// The restore point: false with the system error when none could be made.
bool CreateRestorePoint(const std::wstring& description, DWORD& error);
bool CommitRestorePoint();

// Access rights for everyone to a directory the product installs into.
bool GrantDirectoryRights(std::u16string_view directory, DWORD& error);

// The follow-up of an installed font, package or applet, right after it is written. A font
// that was registered returns true.
bool RegisterFont(const std::u16string& path, InstallRun& run);
void InstallPackage(const std::u16string& path, uint32_t uiLevel, bool recordForRemoval,
                    InstallRun& run);
void RegisterApplet(const std::u16string& path, const std::u16string& name, InstallRun& run);
// Tells the system once that the installed fonts changed.
void AnnounceFontChange();

// After the entries, in this order.
void UpdateSharedFileCounts(InstallRun& run);
void RegisterComponents(InstallRun& run);  // COM servers and type libraries
void InstallDrivers(InstallRun& run);      // INF drivers
void CreateShortcuts(InstallRun& run);
void WriteRegistryEntries(InstallRun& run);  // the key of ProductRegistry, then registryText
void CreateFileAssociations(InstallRun& run);
void AddFirewallExceptions(InstallRun& run);
void AddToSearchPath(InstallRun& run);
// The Add/Remove Programs values; false with the system error when they could not be saved.
bool WriteUninstallRegistration(InstallRun& run, DWORD& error);
// The product's saved registry values, then "InstallLocation" and "InstallDate".
void WriteSavedRegistryValues(InstallRun& run);
// Uninstall.DAT; false when it could not be written (the phase has logged why).
bool WriteUninstallRecord(InstallRun& run);

}  // namespace qs
