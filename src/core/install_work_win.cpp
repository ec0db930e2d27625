// The steps that change the system: the progress page, the restore point, the folders, the
// batches, the file data and the product's integration. From here on a failure is logged and
// collected, and the run goes on.
#include <windows.h>

#include "base/system_error_win.h"
#include "base/text_win.h"
#include "core/directory_checks_win.h"
#include "core/install_phases_win.h"
#include "core/install_rules.h"
#include "core/install_steps_win.h"
#include "core/product_flags.h"
#include "core/product_win.h"
#include "core/settings_reader.h"
#include "core/step_timing_win.h"
#include "core/target_path.h"
#include "files/conditional_deletions_win.h"
#include "files/deferred_operations_win.h"
#include "files/file_queries_win.h"
#include "integration/path_variables_win.h"
#include "integration/shell_folders_win.h"
#include "ui/user_interface_win.h"
#include "uninstall/uninstaller_copy_win.h"

namespace qs {
namespace {

void Status(TextId text) {
  Ui().ShowProgressText(GetText(text));
}

void Progress(int percent) {
  Ui().SetProgress(percent);
}

bool OnRemovableDrive(std::u16string_view path) {
  std::u16string drive = DriveOfPath(path);
  return !drive.empty() &&
         SystemDriveFacts().TypeOfDrive(DriveRoot(drive)) == DriveType::kRemovable;
}

void GrantRights(const std::u16string& directory, InstallRun& run) {
  Log(run, u"Granting rights to directory \"" + directory + u"\"...");
  DWORD error = 0;
  if (GrantDirectoryRights(directory, error)) {
    Log(run, u"OK\r\n");
  } else {
    Log(run, u"FAILED code " + AsciiToUtf16(std::to_string(error)) + u": " + SystemErrorU16(error) +
                 u"\r\n\r\n");
  }
}

// "readme.txt" for one document, "readme1.txt", "readme2.txt", ... for several, in the
// installation folder, where the product's users look for them.
void WriteDocumentFiles(std::u16string_view stem,
                        const std::vector<std::vector<uint8_t>>& documents, InstallRun& run) {
  for (size_t i = 0; i < documents.size(); ++i) {
    std::u16string name(stem);
    if (documents.size() != 1) {
      for (char digit : std::to_string(i + 1)) name += static_cast<char16_t>(digit);
    }
    name += u".txt";
    std::u16string path;
    WriteProductFile(run, run.installDir, name, documents[i], path);
  }
}

}  // namespace

void OpenProgress(const PayloadContext& payload, InstallRun& run) {
  if (HasFlag(kFlagShowProgressPage)) {
    ProgressPageRequest page;
    page.layout = Product().dialogLayouts[kProgressLayout];
    page.caption = GetText(kTextInstallerCaption);
    page.title = GetText(kTextInstalling);
    page.heading = GetText(kTextInstallingHeading);
    page.cancelEnabled = !HasFlag(kFlagNoProgressCancel);
    Ui().OpenProgressPage(page);
  }
  MarkStep();
  run.requiredSpace = ComputeRequiredSpace(payload, run.installDir);
}

void MakeRestorePoint(InstallRun& run) {
  ProductSettings& product = Product();
  if ((product.ProductFlags2 & kFlags2RestorePoint) != 0) {
    Status(kTextCreatingRestorePoint);
    Log(run, u"Creating restore point...");
    std::u16string description = product.DisplayName;
    if (!product.DisplayVersion.empty()) description += u" " + product.DisplayVersion;
    DWORD error = 0;
    if (CreateRestorePoint(std::wstring(AsWide(description)), error)) {
      Log(run, u"OK\r\n");
    } else {
      Log(run, u"FAILED\r\n" + SystemErrorU16(error) + u"\r\n\r\n");
      product.ProductFlags2 &= ~kFlags2RestorePoint;
    }
  }
  Progress(1);
}

void PrepareDirectories(InstallRun& run) {
  const ProductSettings& product = Product();
  // The folder is recorded, compared and guarded as the real path from here on: a relative one
  // (from /d) is taken against the current folder once, and "." and ".." steps are resolved.
  if (!IsRootedPath(run.installDir) || HasDotComponent(run.installDir) ||
      run.installDir.find(u'/') != std::u16string::npos) {
    run.installDir = AsU16(FullPath(AsWide(run.installDir)));
  }
  if (HasFlag(kFlagGrantDirectoryRights)) GrantRights(run.installDir, run);

  run.uninstallDir = product.UninstallSubdir.empty()
                         ? run.installDir
                         : JoinPath(run.installDir, product.UninstallSubdir);
  if (!product.UninstallSubdir.empty()) {
    if (DWORD error = CreateFolderPath(run.uninstallDir)) {
      Log(run, u"Failed to create uninstall data folder \"" + run.uninstallDir + u"\": " +
                   SystemErrorU16(error));
    }
  }
  if (run.installLogPath.empty()) run.installLogPath = JoinPath(run.uninstallDir, u"Install.LOG");

  if (!product.removableSharedSubdir.empty() && OnRemovableDrive(run.installDir)) {
    run.sharedDir = JoinPath(run.installDir, product.removableSharedSubdir);
  } else if (!product.SharedPath.empty()) {
    std::u16string shared = ExpandPathVariables(product.SharedPath);
    if (IsRootedPath(shared)) {
      run.sharedDir = std::move(shared);
    } else {
      std::u16string base(AsU16(product.sharedDirBase == 1 ? AppDataAllDir() : CommonDir()));
      if (product.sharedDirBase != 1 && product.Bitness == 1) base = StripX86Suffix(base);
      run.sharedDir = JoinPath(base, shared);
    }
  }
  if (!run.sharedDir.empty()) {
    if (DWORD error = CreateFolderPath(run.sharedDir)) {
      Log(run,
          u"Failed to create shared folder \"" + run.sharedDir + u"\": " + SystemErrorU16(error));
    } else if (HasFlag(kFlagGrantDirectoryRights) || HasFlag(kFlagGrantSharedDirRights)) {
      GrantRights(run.sharedDir, run);
    }
  }
}

void RunLeadingBatches(const CommandLineOptions& options, InstallRun& run) {
  ProductSettings& product = Product();
  if (HasFlag(kFlagNoUninstallOnRemovable) && OnRemovableDrive(run.installDir)) {
    product.ProductFlags &= ~kFlagUninstallable;
  }
  Status(kTextPreparing);  // shown while the batches run
  RunProductBatch(kPreInstallationBatch, options.preBatchAddition);
  if (run.isUpgrade) RunProductBatch(kUpgradeBatch, {});
  if (ReinstallBatchRuns(run.previousInstallExists, run.sameVersion, product.ProductFlags2)) {
    RunProductBatch(kReinstallBatch, {});
  }
  Progress(2);
}

void PrepareFileData(PayloadContext& payload, InstallRun& run) {
  EstablishFileDataArea(payload, Product().fileDataFromFile != 0);
  WaitStep();
  Status(kTextCheckingFileData);
  Progress(21);
  VerifyFileDataArea(payload);
  WaitStep();
  Status(kTextInstalling);
  Progress(26);
  RunInstallConditionalDeletions(run);
  Progress(27);
}

void IntegrateProduct(const PayloadContext& payload, InstallRun& run) {
  const ProductSettings& product = Product();
  UpdateSharedFileCounts(run);
  Progress(93);
  RegisterComponents(run);
  Status(kTextConfiguring);
  Progress(95);
  InstallDrivers(run);
  CreateShortcuts(run);
  if (HasFlag(kFlagBackgroundBitmap) && !product.bitmap.empty()) {
    std::u16string path;
    WriteUninstallDataFile(run, kBackgroundPictureFile, product.bitmap, path);
  }
  if (HasFlag(kFlagWriteReadmeFiles)) WriteDocumentFiles(u"readme", product.readmes, run);
  if (HasFlag(kFlagWriteLicenseFiles)) WriteDocumentFiles(u"eula", product.licenses, run);
  Progress(97);
  WriteRegistryEntries(run);
  Progress(98);
  CreateFileAssociations(run);
  AddFirewallExceptions(run);
  if (HasFlag(kFlagAddInstallDirToPath)) AddToSearchPath(run);
  Progress(99);
  if (HasFlag(kFlagUninstallable)) {
    WriteUninstaller(payload, run);
    DWORD error = 0;
    // A registration must name an uninstaller that is there: on an upgrade the previous one
    // stays whole when the new one cannot be written, but a first installation onto a drive
    // that takes no files has none, and Add/Remove Programs would offer a removal that cannot
    // start.
    if (!FileExists(std::wstring(AsWide(run.uninstallerPath)))) {
      run.registrationSkipped = true;
      run.failureSummary +=
          u"The uninstaller could not be written, so the product is not registered for "
          u"removal.\r\n\r\n";
    } else if (!WriteUninstallRegistration(run, error)) {
      if (error != 0) run.failureSummary += u"System error: " + SystemErrorU16(error) + u"\r\n";
      run.failureSummary +=
          u"Unable to save the uninstall information to the registry.  Uninstall will not work "
          u"properly.\r\n\r\n";
    }
  }
  WriteSavedRegistryValues(run);
}

void FinishWork(InstallRun& run) {
  if (HasFlag(kFlagRebootMarker)) MarkRestartPending(run.installDir);
  WaitStep();
  Status(kTextFinishing);
  Progress(100);
  if (HasFlag(kFlagUninstallable)) WriteUninstallRecord(run);
}

}  // namespace qs
