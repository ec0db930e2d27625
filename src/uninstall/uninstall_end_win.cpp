// The end of an uninstallation: the registry, the firewall, drivers and folders, the record
// itself once nothing failed, and the report.
#include <windows.h>
// windows.h first
#include <shlobj.h>

#include "base/file_redirection_win.h"
#include "base/registry_delete_win.h"
#include "base/text_win.h"
#include "core/install_phases_win.h"
#include "core/install_steps_win.h"
#include "core/product_flags.h"
#include "core/product_win.h"
#include "core/step_timing_win.h"
#include "core/system_actions_win.h"
#include "core/target_path.h"
#include "files/search_path_win.h"
#include "integration/integration_removal_win.h"
#include "integration/shell_folders_win.h"
#include "ui/messages_win.h"
#include "ui/user_interface_win.h"
#include "uninstall/record_line_checks.h"
#include "uninstall/uninstall_key_win.h"
#include "uninstall/uninstall_record_win.h"
#include "uninstall/uninstall_steps_win.h"

namespace qs {

void RemoveRegistryEntries(UninstallRun& run) {
  DeleteRecordedValues(run.record.registryLines);
  const bool product64 = run.values.bitness == 1;
  if (!run.values.productRegistry.empty()) {
    // The key goes with all its subkeys in HKLM and every user's hive: a name that is a key the
    // system and every product share ("Microsoft", "Classes") is never taken for the product's
    // own, whoever wrote it into the registration.
    if (IsOwnProductRegistryKey(run.values.productRegistry)) {
      DeleteProductRegistryKey(run.values.productRegistry, product64);
    } else {
      run.failureSummary +=
          u"Not carried out, as it names no key of the product's own: Software\\" +
          U16(run.values.productRegistry) + u"\r\n";
    }
    RewriteKeyValue(run, L"ProductRegistry", {});
  }
  UndoRegistryScript(run.record.registry2Text, product64);
}

void RemoveSystemEntries(UninstallRun& run) {
  const RunFolders& folders = run.folders;
  SetUninstallProgress(96);
  if (!run.record.firewallLines.empty()) {
    RemoveFirewallExceptions(run.record.firewallLines, folders.installDir);
  }
  SetUninstallProgress(97);
  if (!run.record.infLines.empty()) RemoveDrivers(run.record.infLines);
  if (HasFlag(kFlagDeleteInstallDirOnUninstall)) {
    DeleteFolderTree(std::wstring(AsWide(folders.installDir)));
    // After a failure the tree took the record just rewritten with it; without it the next
    // run could not start. It is written again.
    if (!run.failureSummary.empty()) {
      SaveUninstallData(run.key.Get(), folders.uninstallDir, run.leftRemovalList, run.leftRecord,
                        run.failureSummary);
    }
  }
  SetUninstallProgress(98);
  if (!folders.sharedDir.empty()) ::RemoveDirectoryW(Redirected(folders.sharedDir));
}

void FinishWhenComplete(UninstallRun& run) {
  if (run.failureSummary.empty()) {
    ::DeleteFileW(Redirected(JoinPath(run.folders.uninstallDir, kUninstallRecordName)));
    if (HasFlag(kFlagAddInstallDirToPath)) {
      UpdateSearchPath(AsWide(run.values.installLocation), false);
    }
    if (!run.values.uninstallBatch2.empty()) {
      RunUninstallBatch(run.values.uninstallBatch2,
                        AutomaticMode() || HasFlag(kFlagHideUninstallBatch2));
      RewriteKeyValue(run, L"UninstallBatch2", {});
    }
    run.key.Reset();
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, UninstallKeyPathOf(run.productName), KEY_WOW64_32KEY);
  }
  run.key.Reset();
  std::wstring desktop = run.values.shortcutMode == 1 ? DesktopAllDir() : DesktopDir();
  NotifyShell(SHCNE_UPDATEDIR, SHCNF_PATHW, desktop.c_str(), nullptr);
  SetUninstallProgress(100);
}

void CloseUninstallProgress(UninstallRun& run) {
  if (run.redirectionDisabled) {
    RestoreFileRedirection();
    run.redirectionDisabled = false;
  }
  if (HasFlag(kFlagShowProgressPage)) {
    WaitStepFor(600);
    Ui().CloseProgressPage();
  }
}

bool ReportUninstall(const UninstallRun& run) {
  const std::u16string& summary = run.failureSummary;
  if (!summary.empty()) {
    if (!AutomaticMode())
      ShowMessage(TextWith(kTextUninstallFailed, {summary}), GetText(kTextQuestionCaption),
                  MessageIcon::kWarning);
    return false;
  }
  if (!AutomaticMode())
    ShowMessage(GetText(kTextUninstallComplete), GetText(kTextUninstallCompleteCaption),
                MessageIcon::kInformation);
  if (HasFlag(kFlagUninstallRestartRequired)) {
    if (AutomaticMode() ||
        AskToRestart(GetText(kTextUninstallRestartQuestion), GetText(kTextQuestionCaption)))
      System().Restart();
  }
  return true;
}

}  // namespace qs
