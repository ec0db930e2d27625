// The installation run, step by step. Each step is one call; the numbers in the comments are
// the steps' places in the run.
#include "core/install_sequence_win.h"

#include <windows.h>

#include "base/file_redirection_win.h"
#include "core/exit_win.h"
#include "core/install_phases_win.h"
#include "core/install_steps_win.h"
#include "core/installer_state_win.h"
#include "core/product_flags.h"
#include "core/product_win.h"
#include "core/system_actions_win.h"
#include "files/install_files_win.h"

namespace qs {
namespace {

// 2: the payload and the settings; the background window goes up between the two halves.
void StartFromPayload(PayloadContext& payload, InstallRun& run) {
  LocatePayloadSection(payload);
  ReadPayloadHeaderInPlace(payload);
  UnpackPayloadSettings(payload);
  {
    SettingsEnvironment environment = SystemSettingsEnvironment();
    SettingsReader reader(payload.settingsStream, environment, Product());
    ReadLeadingSettings(payload, reader);
    if (!HasFlag(kFlagNoBackgroundWindow)) CreateBackgroundWindow();
    ReadRemainingSettings(payload, reader, environment);
  }
  // The settings stream is fully read: free it before the file data is touched.
  std::vector<uint8_t>().swap(payload.settingsStream);
  if (Product().Bitness == 1) DisableRedirection(run);
}

}  // namespace

// A 64-bit product sees the system's own folders: redirection stays off for the whole run. On
// a 32-bit system there is nothing to switch, and the product is refused a moment later.
void DisableRedirection(InstallRun& run) {
  const RedirectionSwitch result = DisableFileRedirection();
  run.redirectionDisabled = result == RedirectionSwitch::kOff;
  run.redirectionFailed = result == RedirectionSwitch::kFailed;
}

void RestoreRedirection(InstallRun& run) {
  if (!run.redirectionDisabled) return;
  RestoreFileRedirection();
  run.redirectionDisabled = false;
}

void RunInstallation(InputFile& ownFile, const CommandLineOptions& options) {
  InstallRun& run = Installation();
  PayloadContext payload;
  payload.file = &ownFile;

  StartFromPayload(payload, run);                                       // 2
  ReadInstallerImage(payload);                                          // 3
  ChooseLanguage();                                                     // 4
  CheckRunningSystem(run);                                              // 5, 6, 7
  CheckMasterProduct();                                                 // 8
  HoldInstallerMutex();                                                 // 9
  FindPreviousInstallation(run);                                        // 10
  ShowGreeting();                                                       // 11
  ShowDocuments();                                                      // 12
  if (!Product().autoCloseEntries.empty()) CloseRunningApplications();  // 13
  ChooseInstallDirectory(payload, run);                                 // 14
  ChooseStartMenuFolder(run);                                           // 15

  OpenProgress(payload, run);                                          // 16
  MakeRestorePoint(run);                                               // 17
  PrepareDirectories(run);                                             // 18
  RunLeadingBatches(options, run);                                     // 19
  PrepareFileData(payload, run);                                       // 20
  InstallFiles(payload, run);                                          // 21
  IntegrateProduct(payload, run);                                      // 22
  FinishWork(run);                                                     // 23, 24
  RunProductBatch(kPostInstallationBatch, options.postBatchAddition);  // 25
  StartNotification(run);                                              // 26
  CloseProgress(run);                                                  // 27

  ReportEnd(options, run);                                             // 28
  bool restart = DecideRestartAtEnd(run);                              // 29
  RunProductBatch(kInstallationExitBatch, options.exitBatchAddition);  // 30
  RemoveEmptyDirectories(run);                                         // 31
  RestoreRedirection(run);                                             // 32
  if (restart) {
    System().Restart();  // 33
  } else {
    LaunchAfterInstallation(options, run);  // 34
  }
  ExitInstaller(1);  // 35: a completed installation ends with 1 as well
}

}  // namespace qs
