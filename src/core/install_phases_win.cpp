// The phases that later work fills in. Until then each does nothing and reports nothing.
#include "core/install_phases_win.h"

namespace qs {

void CreateBackgroundWindow() {}
void LayOutBackgroundWindow() {}
void CloseRunningApplications() {}
void RunProductBatch(BatchIndex, const std::string&) {}

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

void UpdateSharedFileCounts(InstallRun&) {}
void RegisterComponents(InstallRun&) {}
void InstallDrivers(InstallRun&) {}
void CreateShortcuts(InstallRun&) {}
void WriteRegistryEntries(InstallRun&) {}
void CreateFileAssociations(InstallRun&) {}
void AddFirewallExceptions(InstallRun&) {}
void AddToSearchPath(InstallRun&) {}
void WriteUninstaller(const PayloadContext&, InstallRun&) {}

bool WriteUninstallRegistration(InstallRun&, DWORD& error) {
  error = 0;
  return true;
}

void WriteSavedRegistryValues(InstallRun&) {}

bool WriteUninstallRecord(InstallRun&) {
  return true;
}

}  // namespace qs
