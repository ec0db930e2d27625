// The phases with modules of their own, handed over to them. A phase whose module is still to
// come does nothing and reports nothing.
#include "core/install_phases_win.h"

#include "base/text_win.h"
#include "core/product_flags.h"
#include "core/product_win.h"
#include "files/search_path_win.h"
#include "files/shared_files_win.h"
#include "uninstall/uninstall_key_win.h"
#include "uninstall/uninstall_record_win.h"
#include "uninstall/uninstaller_copy_win.h"

namespace qs {

void CreateBackgroundWindow() {}
void LayOutBackgroundWindow() {}
void CloseRunningApplications() {}
void RunProductBatch(BatchIndex, const std::string&) {}
void CloseApplicationsForUninstall(const std::vector<AutoCloseEntry>&, int) {}
void RunUninstallBatch(const std::string&, bool) {}

bool CreateRestorePoint(const std::wstring&, DWORD& error) {
  error = ERROR_CALL_NOT_IMPLEMENTED;
  return false;
}

bool CommitRestorePoint() {
  return false;
}

bool GrantDirectoryRights(const std::string&, DWORD& error) {
  error = ERROR_CALL_NOT_IMPLEMENTED;
  return false;
}

void RegisterFont(const std::string&, InstallRun&) {}
void InstallPackage(const std::string&, uint32_t, bool, InstallRun&) {}
void RegisterApplet(const std::string&, const std::string&, InstallRun&) {}
void AnnounceFontChange() {}

void UpdateSharedFileCounts(InstallRun& run) {
  // The files this product counted before are carried over, so a reinstallation does not
  // count them again.
  run.sharedFilesText = run.previousSharedFiles;
  if ((Product().ProductFlags & kFlagUninstallable) == 0) return;
  CountSharedFiles(run.sharedFiles, run.sharedFilesText, run.installLog, run.failureSummary);
}

void RegisterComponents(InstallRun&) {}
void InstallDrivers(InstallRun&) {}
void CreateShortcuts(InstallRun&) {}
void WriteRegistryEntries(InstallRun&) {}
void CreateFileAssociations(InstallRun&) {}
void AddFirewallExceptions(InstallRun&) {}
void AddToSearchPath(InstallRun& run) {
  UpdateSearchPath(Widen(run.installDir), true);
}

bool WriteUninstallRegistration(InstallRun& run, DWORD& error) {
  WriteUninstallerIconFile(run);
  return WriteUninstallKey(run, error);
}

void WriteSavedRegistryValues(InstallRun& run) {
  WriteUninstallKeyTail(run);
}

bool WriteUninstallRecord(InstallRun& run) {
  return SaveUninstallData(run.uninstallDir, run.removalList, InstallationRecord(run),
                           run.failureSummary);
}

}  // namespace qs
