// The uninstallation, step by step. Each step is one call, in the order of the run.
#include "uninstall/uninstall_win.h"

#include "base/text_win.h"
#include "core/install_phases_win.h"
#include "core/product_win.h"
#include "core/unbuilt_features.h"
#include "uninstall/self_removal_win.h"
#include "uninstall/uninstall_steps_win.h"

namespace qs {
namespace {

UninstallRun& CurrentUninstall() {
  static UninstallRun run;
  return run;
}

}  // namespace

bool Uninstall(std::u16string_view productName) {
  UninstallRun& run = CurrentUninstall();
  run.productName = std::u16string(productName);
  UseFolders(run.folders);

  if (!OpenRecord(run)) return false;
  if (!LoadRecordKey(run)) return false;
  CreateUninstallBackgroundWindow(run.folders.uninstallDir);
  if (!LoadRecordFile(run)) return false;
  SetAsideUntrustedLines(run);
  const bool batches = !run.values.uninstallBatch1.empty() || !run.values.uninstallBatch2.empty();
  RefuseUnbuiltFeatures((run.record.autoClose.empty() ? 0 : kFeatureClosingApplications) |
                        (batches ? kFeatureBatches : 0));
  ConfirmUninstall(run);
  OpenUninstallProgress();

  RunFirstBatch(run);
  UndoAssociations(run);
  ShowUninstallStatus(kTextRemovingFonts);
  SetUninstallProgress(3);
  RemoveFonts(run);
  ShowUninstallStatus(kTextRemovingFiles);
  SetUninstallProgress(5);
  DeleteInstallLog(run);
  ReleaseProductSharedFiles(run);
  RemovePackages(run);

  RemoveFiles(run);
  DropPendingOperations(run);
  RemoveFolders(run);
  RewriteRecord(run);
  RemoveStartMenuFolder(run);

  RemoveRegistryEntries(run);
  RemoveSystemEntries(run);
  FinishWhenComplete(run);
  CloseUninstallProgress(run);
  return ReportUninstall(run);
}

void FinishUninstall() {
  const UninstallRun& run = CurrentUninstall();
  StartNotificationRequest(run.values.notifyUrl, run.values.displayVersion);
  ScheduleSelfRemoval(std::wstring(AsWide(run.values.installLocation)),
                      std::wstring(AsWide(run.values.uninstallSubdir)));
}

}  // namespace qs
