// The installation run, step by step. Each step is one call, in the order of the run.
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
#include "core/unbuilt_features.h"
#include "files/install_files_win.h"

namespace qs {
namespace {

// The payload and the settings; the background window goes up between the two halves.
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

  StartFromPayload(payload, run);
  RefuseUnbuiltFeatures(UnbuiltFeaturesOf(Product()) |
                        (options.preBatchAddition.empty() && options.postBatchAddition.empty() &&
                                 options.exitBatchAddition.empty()
                             ? 0
                             : kFeatureBatches));
  ReadInstallerImage(payload);
  ChooseLanguage();
  CheckRunningSystem(run);
  CheckMasterProduct();
  HoldInstallerMutex();
  FindPreviousInstallation(run);
  ShowGreeting();
  ShowDocuments();
  if (!Product().autoCloseEntries.empty()) CloseRunningApplications();
  ChooseInstallDirectory(payload, run);
  ChooseStartMenuFolder(run);

  OpenProgress(payload, run);
  MakeRestorePoint(run);
  PrepareDirectories(run);
  RunLeadingBatches(options, run);
  PrepareFileData(payload, run);
  InstallFiles(payload, run);
  IntegrateProduct(payload, run);
  FinishWork(run);
  RunProductBatch(kPostInstallationBatch, options.postBatchAddition);
  StartNotification(run);
  CloseProgress(run);

  ReportEnd(options, run);
  bool restart = DecideRestartAtEnd(run);
  RunProductBatch(kInstallationExitBatch, options.exitBatchAddition);
  RemoveEmptyDirectories(run);
  RestoreRedirection(run);
  if (restart) {
    System().Restart();
  } else {
    LaunchAfterInstallation(options, run);
  }
  ExitInstaller(1);  // a completed installation ends with 1 as well
}

}  // namespace qs
