// The steps after the work: the notification, the end report and the log, the restart, the
// clean-up of empty folders and what the user asked to open or start.
#include <windows.h>
// windows.h first
#include <shlobj.h>

#include "base/file_redirection_win.h"
#include "base/system_error_win.h"
#include "base/text_win.h"
#include "core/directory_checks_win.h"
#include "core/install_phases_win.h"
#include "core/install_rules.h"
#include "core/install_steps_win.h"
#include "core/installer_state_win.h"
#include "core/launch_command.h"
#include "core/product_flags.h"
#include "core/product_win.h"
#include "core/step_timing_win.h"
#include "core/system_actions_win.h"
#include "files/install_log_win.h"
#include "integration/path_variables_win.h"
#include "integration/shell_folders_win.h"
#include "ui/messages_win.h"
#include "ui/user_interface_win.h"
#include "uninstall/self_removal_win.h"

namespace qs {
namespace {

// The log file is already written when the launches fail; their lines still go into it, before
// the log itself may be opened.
void LogLaunchFailure(InstallRun& run, std::u16string_view text) {
  Log(run, text);
  UpdateInstallLogFile(run);
}

}  // namespace

void StartNotification(const InstallRun& run) {
  const ProductSettings& product = Product();
  const std::string& address =
      ChooseNotificationAddress(product, run.isUpgrade, run.isDowngrade, run.previousInstallExists);
  if (address.empty()) return;
  StartNotificationRequest(address, product.DisplayVersion);
}

void CloseProgress(InstallRun& run) {
  ProductSettings& product = Product();
  if (product.ShortcutMode == 1) {
    std::wstring startMenu = StartMenuAllDir();
    NotifyShell(SHCNE_UPDATEDIR, SHCNF_PATHW, startMenu.c_str(), nullptr);
  }
  if ((product.ProductFlags2 & kFlags2RestorePoint) != 0 && !CommitRestorePoint()) {
    Log(run, u"Failed to commit restore point.\r\n");
  }
  WaitStep();
  if (HasFlag(kFlagShowProgressPage)) Ui().CloseProgressPage();
}

void ReportEnd(const CommandLineOptions& options, InstallRun& run) {
  const ProductSettings& product = Product();
  if (!options.runAfterInstall.empty()) {
    Log(run, u"Launch on exit: " + U16(options.runAfterInstall) + u"\r\n");
  }
  run.rebootNeeded = HasFlag(kFlagRestartRequired);
  bool failed = !run.failureSummary.empty();
  bool showLog = false;
  switch (ChooseEndReport(product, failed, AutomaticMode(), run.rebootNeeded)) {
    case EndReport::kNone:
      break;
    case EndReport::kMessage:
      ShowMessage(GetText(kTextInstallComplete), GetText(kTextInstallCompleteCaption),
                  MessageIcon::kInformation);
      break;
    case EndReport::kSummaryPage: {
      PageRequest page = MakePage(PageKind::kSummary, kSummaryLayout, kTextInstallCompleteCaption,
                                  kTextInstallComplete);
      page.finishBoxes = SummaryBoxes(product);
      PageResult result = Ui().ShowPage(page);
      run.finishChoices = result.accepted ? result.finishChoices : 0;
      break;
    }
    case EndReport::kFailureQuestion:
      showLog = AskYesNo(TextWith(kTextFailureQuestion, {run.installLogPath}),
                         GetText(kTextFailureCaption));
      break;
  }
  if (HasFlag(kFlagWriteInstallLogAlways) || failed) {
    if (!WriteInstallLogFile(run, run.failureSummary, run.previousInstallExists)) {
      // A log that could not be written is not offered.
      showLog = false;
      run.finishChoices &= ~kFinishViewLog;
    }
  }
  if (showLog) OpenInstallLog(run);
}

bool DecideRestartAtEnd(InstallRun& run) {
  switch (DecideRestart(run.rebootNeeded, AutomaticMode(), Product().ProductFlags)) {
    case RestartDecision::kNone:
      return false;
    case RestartDecision::kAsk:
      return AskToRestart(GetText(kTextRestartQuestion), GetText(kTextQuestionCaption));
    case RestartDecision::kRestart:
      return true;
  }
  return false;
}

void RemoveEmptyDirectories(const InstallRun& run) {
  for (const std::u16string* folder : {&run.sharedDir, &run.uninstallDir, &run.installDir}) {
    if (!folder->empty()) RemoveDirectoryIfEmpty(*folder);
  }
}

namespace {

// The program of a launch, quoted and found in the installation folder where it is one of its
// files.
std::wstring LaunchCommand(const std::wstring& command, const std::wstring& installDir) {
  const FileTest isFile = [](std::u16string_view path) {
    const DWORD attributes = ::GetFileAttributesW(Redirected(std::wstring(AsWide(path))));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  };
  return std::wstring(AsWide(ResolveLaunchCommand(AsU16(command), AsU16(installDir), isFile)));
}

}  // namespace

void LaunchAfterInstallation(const CommandLineOptions& options, InstallRun& run) {
  const ProductSettings& product = Product();
  const std::wstring installDir(AsWide(run.installDir));
  ::SetCurrentDirectoryW(Redirected(installDir));
  if (!options.runAfterInstall.empty() && run.failureSummary.empty()) {
    std::wstring command = LaunchCommand(Widen(options.runAfterInstall), installDir);
    if (DWORD error = System().StartProgram(command, installDir)) {
      LogLaunchFailure(run, u"Failed to launch command: " + std::u16string(AsU16(command)) +
                                u"\r\n" + SystemErrorU16(error));
    }
  }
  if ((run.finishChoices & kFinishOpenFile) != 0) {
    System().OpenThroughShell(ExpandPathVariables(AsWide(product.finishOpenFile)), installDir);
  }
  if ((run.finishChoices & kFinishLaunchProgram) != 0) {
    std::wstring program =
        LaunchCommand(ExpandPathVariables(AsWide(product.finishLaunchProgram)), installDir);
    if (DWORD error = System().StartProgram(program, installDir)) {
      LogLaunchFailure(run, u"Failed to launch app: " + std::u16string(AsU16(program)) + u"\r\n" +
                                SystemErrorU16(error));
    }
  }
  if ((run.finishChoices & kFinishViewLog) != 0) {
    System().StartProgram(ViewInNotepadCommand(std::wstring(AsWide(run.installLogPath))),
                          installDir);
  }
  if ((run.finishChoices & kFinishOpenOther) != 0) {
    System().OpenThroughShell(ExpandPathVariables(AsWide(product.finishOpenOther)), installDir);
  }
}

}  // namespace qs
