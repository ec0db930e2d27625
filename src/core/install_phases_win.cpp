// The phases with modules of their own, handed over to them. A feature whose module is still
// to come is refused instead of skipped: a product that asks for it stops before anything
// changes, once all settings are read, and what a payload entry needs of it is reported as not
// done, so the run ends incomplete. The phases of refused features are reached only with
// nothing to do.
#include "core/install_phases_win.h"

#include "base/fatal.h"
#include "base/handle_win.h"
#include "base/registry_view_win.h"
#include "base/text.h"
#include "base/text_win.h"
#include "core/install_steps_win.h"
#include "core/installer_state_win.h"
#include "core/product_flags.h"
#include "core/product_win.h"
#include "core/unbuilt_features.h"
#include "files/search_path_win.h"
#include "files/shared_files_win.h"
#include "ui/background_settings_win.h"
#include "ui/user_interface_win.h"
#include "uninstall/uninstall_key_win.h"
#include "uninstall/uninstall_record_win.h"
#include "uninstall/uninstaller_copy_win.h"

namespace qs {
namespace {

// A follow-up of an installed file that this program cannot carry out: logged, and a
// paragraph of the failure summary.
void ReportNotDone(InstallRun& run, uint32_t feature, std::u16string_view item) {
  const std::u16string line = u"Not done (" + AsciiToUtf16(UnbuiltFeatureName(feature)) +
                              u" are not supported by this installer program): " +
                              std::u16string(item) + u"\r\n";
  Log(run, line);
  run.failureSummary += line + u"\r\n";
}

}  // namespace

void RefuseUnbuiltFeatures(uint32_t features) {
  if (features == 0) return;
  const bool uninstalling = GetInstallerState().uninstallMode;
  FatalError("%s", UnbuiltFeaturesRefusal(features, uninstalling).c_str());
}

void CreateBackgroundWindow() {
  Ui().ShowBackground(BackgroundSettingsOf(Product(), {}), GetInstallerState().startMinimized);
}

void LayOutBackgroundWindow() {
  if ((Product().ProductFlags & kFlagNoBackgroundWindow) != 0) return;
  Ui().ShowBackground(BackgroundSettingsOf(Product(), Product().bitmap),
                      GetInstallerState().startMinimized);
}

void CreateUninstallBackgroundWindow(std::u16string_view uninstallDir) {
  const ProductSettings& product = Product();
  if ((product.ProductFlags & kFlagNoBackgroundWindow) != 0) return;
  Ui().ShowBackground(
      BackgroundSettingsOf(product, StoredBackgroundPicture(uninstallDir, product.ProductFlags)),
      GetInstallerState().startMinimized);
}

void CloseRunningApplications() {
  RefuseUnbuiltFeatures(Product().autoCloseEntries.empty() ? 0 : kFeatureClosingApplications);
}

void CloseApplicationsForUninstall(const std::vector<AutoCloseEntry>& entries, int) {
  RefuseUnbuiltFeatures(entries.empty() ? 0 : kFeatureClosingApplications);
}

void RunProductBatch(BatchIndex batch, const std::string& addition) {
  const bool work = !Product().batches[batch].empty() || !addition.empty();
  RefuseUnbuiltFeatures(work ? kFeatureBatches : 0);
}

void RunUninstallBatch(const std::string& text, bool) {
  RefuseUnbuiltFeatures(text.empty() ? 0 : kFeatureBatches);
}

bool CreateRestorePoint(const std::wstring&, DWORD&) {
  RefuseUnbuiltFeatures(kFeatureRestorePoint);
  return false;
}

bool CommitRestorePoint() {
  RefuseUnbuiltFeatures(kFeatureRestorePoint);
  return false;
}

bool GrantDirectoryRights(std::u16string_view, DWORD&) {
  RefuseUnbuiltFeatures(kFeatureFolderRights);
  return false;
}

bool RegisterFont(const std::u16string& path, InstallRun& run) {
  ReportNotDone(run, kFeatureFonts, path);
  return false;
}

void InstallPackage(const std::u16string& path, uint32_t, bool, InstallRun& run) {
  ReportNotDone(run, kFeaturePackages, path);
}

void RegisterApplet(const std::u16string& path, const std::u16string&, InstallRun& run) {
  ReportNotDone(run, kFeatureApplets, path);
}

void AnnounceFontChange() {
  ::PostMessageW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0);
}

void UpdateSharedFileCounts(InstallRun& run) {
  // The files this product counted before are carried over, so a reinstallation does not
  // count them again.
  run.sharedFilesText = run.previousSharedFiles;
  if ((Product().ProductFlags & kFlagUninstallable) == 0) return;
  CountSharedFiles(run.sharedFiles, run.sharedFilesText, run.installLog, run.failureSummary);
}

void RegisterComponents(InstallRun& run) {
  for (const std::u16string& server : run.comServers) {
    ReportNotDone(run, kFeatureComServers, server);
  }
  for (const std::u16string& library : run.typeLibraries) {
    ReportNotDone(run, kFeatureTypeLibraries, library);
  }
}

void InstallDrivers(InstallRun& run) {
  for (const std::u16string& driver : run.drivers) ReportNotDone(run, kFeatureDrivers, driver);
}

void CreateShortcuts(InstallRun& run) {
  RefuseUnbuiltFeatures(UnbuiltFeaturesOf(Product()) & kFeatureShortcuts);
  for (const ShortcutEntry& shortcut : run.shortcuts) {
    ReportNotDone(run, kFeatureShortcuts, shortcut.target);
  }
}

void WriteRegistryEntries(InstallRun&) {
  RefuseUnbuiltFeatures(UnbuiltFeaturesOf(Product()) & kFeatureRegistryEntries);
}

void CreateFileAssociations(InstallRun&) {
  RefuseUnbuiltFeatures(UnbuiltFeaturesOf(Product()) & kFeatureFileAssociations);
}

void AddFirewallExceptions(InstallRun&) {
  RefuseUnbuiltFeatures(UnbuiltFeaturesOf(Product()) & kFeatureFirewallExceptions);
}

void AddToSearchPath(InstallRun& run) {
  UpdateSearchPath(AsWide(run.installDir), true);
}

bool WriteUninstallRegistration(InstallRun& run, DWORD& error) {
  WriteUninstallerIconFile(run);
  return WriteUninstallKey(run, error);
}

void WriteSavedRegistryValues(InstallRun& run) {
  WriteUninstallKeyTail(run);
}

bool WriteUninstallRecord(InstallRun& run) {
  // The registration written before holds the record's digest, so that the uninstaller, run
  // as an administrator, carries out this record and not one changed since by whoever may
  // write to the installation's folder. Opened, not created: without a registration there is
  // no uninstallation to protect.
  // An empty name would be the list of every product's keys.
  UniqueRegKey registration;
  const std::u16string& keyName = Product().uninstallKeyName;
  if (!keyName.empty()) {
    ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, UninstallKeyPathOf(keyName).c_str(), 0,
                    InProgramView(KEY_QUERY_VALUE | KEY_SET_VALUE), registration.Receive());
  }
  return SaveUninstallData(registration.Get(), run.uninstallDir, run.removalList,
                           InstallationRecord(run), run.failureSummary);
}

}  // namespace qs
