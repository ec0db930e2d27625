// The uninstallation, step by step. Each step is one call; the numbers in the comments are the
// steps' places in the run.
#include "uninstall/uninstall_win.h"

#include "base/text_win.h"
#include "core/install_phases_win.h"
#include "core/product_flags.h"
#include "core/product_win.h"
#include "uninstall/self_removal_win.h"
#include "uninstall/uninstall_steps_win.h"

namespace qs {
namespace {

UninstallRun& CurrentUninstall() {
  static UninstallRun run;
  return run;
}

}  // namespace

bool Uninstall(std::string_view productName) {
  UninstallRun& run = CurrentUninstall();
  run.productName = std::string(productName);

  if (!OpenRecord(run)) return false;                                                     // 1, 2
  if (!LoadRecordKey(run)) return false;                                                  // 3
  if ((Product().ProductFlags & kFlagNoBackgroundWindow) == 0) CreateBackgroundWindow();  // 4
  if (!LoadRecordFile(run)) return false;                                                 // 5
  ConfirmUninstall(run);                                                                  // 6, 7, 8
  OpenUninstallProgress();                                                                // 9, 10

  RunFirstBatch(run);                       // 11
  UndoAssociations(run);                    // 12
  ShowUninstallStatus(kTextRemovingFonts);  // 13
  SetUninstallProgress(3);
  RemoveFonts(run);                         // 14
  ShowUninstallStatus(kTextRemovingFiles);  // 15
  SetUninstallProgress(5);
  DeleteInstallLog();              // 16
  ReleaseProductSharedFiles(run);  // 17
  RemovePackages(run);             // 18, 19

  RemoveFiles(run);            // 20, 21
  DropPendingOperations(run);  // 22, 23
  RemoveFolders(run);          // 24
  RewriteRecord(run);          // 25
  RemoveStartMenuFolder(run);  // 26, 27

  RemoveRegistryEntries(run);  // 28, 29, 30
  RemoveSystemEntries(run);    // 31, 32, 33, 34
  FinishWhenComplete(run);     // 35, 36
  CloseUninstallProgress();    // 37, 38
  return ReportUninstall();    // 39
}

void FinishUninstall() {
  const UninstallRun& run = CurrentUninstall();
  StartNotificationRequest(run.values.notifyUrl, run.values.displayVersion);
  ScheduleSelfRemoval(std::wstring(AsWide(run.values.installLocation)),
                      Widen(run.values.uninstallSubdir));
}

}  // namespace qs
