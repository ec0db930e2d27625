// The first half of an uninstallation: the first batch, then what the integration phases did
// (associations, fonts, shared files, installer packages, taskbar pins).
#include <windows.h>

#include "base/file_redirection_win.h"
#include "base/text_win.h"
#include "core/install_phases_win.h"
#include "core/install_steps_win.h"
#include "core/product_flags.h"
#include "core/product_win.h"
#include "core/step_timing_win.h"
#include "core/target_path.h"
#include "files/shared_files_win.h"
#include "integration/integration_removal_win.h"
#include "uninstall/uninstall_steps_win.h"

namespace qs {

void RunFirstBatch(UninstallRun& run) {
  const std::string& batch = run.values.uninstallBatch1;
  if (!batch.empty()) {
    RunUninstallBatch(batch, AutomaticMode() || HasFlag(kFlagHideUninstallBatch1));
    RewriteKeyValue(run, L"UninstallBatch1", {});
  }
  ShowUninstallStatus(kTextRemovingAssociations);
  SetUninstallProgress(1);
}

void UndoAssociations(UninstallRun& run) {
  if (run.record.associations.empty()) return;
  RemoveAssociations(run.record.associations, run.values.displayName);
  WaitStepFor(600);
}

void RemoveFonts(UninstallRun& run) {
  if (!run.values.productFonts.empty()) {
    FontRemovalOptions options;
    options.ask = !AutomaticMode() && HasFlag(kFlagAskBeforeRemovingFonts);
    std::string left = RemoveProductFonts(run.values.productFonts, options);
    RewriteKeyValue(run, L"ProductFonts", left);
    run.values.productFonts = left;
  }
  // The kTextRemovingFonts status stays readable whether or not there were fonts.
  WaitStepFor(600);
}

void DeleteInstallLog(const UninstallRun& run) {
  if (HasFlag(kFlagKeepInstallLogOnUninstall)) return;
  ::DeleteFileW(Redirected(JoinPath(run.folders.uninstallDir, u"Install.LOG")));
}

void ReleaseProductSharedFiles(UninstallRun& run) {
  ReleaseOptions options;
  options.product64 = run.values.bitness == 1;
  options.askBeforeDelete = !AutomaticMode() && HasFlag(kFlagAskBeforeRemovingSharedFiles);
  ReleaseSharedFiles(run.key.Get(), run.values.sharedFiles, options, run.failureSummary);
}

void RemovePackages(UninstallRun& run) {
  RemoveInstallerPackages(run.record.msiLines, run.failureSummary);
  UnpinFromTaskbar(run.record.removalEntries);
}

}  // namespace qs
