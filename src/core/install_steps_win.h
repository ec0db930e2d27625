#pragma once
// The steps of the installation run, in the files that hold them: the questions before
// anything changes (install_questions_win.cpp), the work (install_work_win.cpp) and the end
// (install_end_win.cpp). RunInstallation calls them in order.
#include <initializer_list>
#include <string>
#include <string_view>

#include "base/text_format.h"
#include "core/command_line.h"
#include "core/install_run.h"
#include "core/payload_startup_win.h"
#include "core/product_settings.h"
#include "core/text_ids.h"
#include "ui/user_interface_win.h"

namespace qs {

// ---- Shared by the steps ----

bool AutomaticMode();
bool HasFlag(uint64_t productFlag);
// Text `id` with its arguments; when the product's text does not take them, the text as it
// stands followed by the arguments, so that nothing the message should say is lost.
std::wstring TextWith(TextId id, std::initializer_list<FormatArgument> arguments);
// Appends to the run's log.
void Log(InstallRun& run, std::u16string_view text);
// Creates `folder` and every missing folder above it; 0 or the system error.
DWORD CreateFolderPath(std::u16string_view folder);
bool FolderExists(std::u16string_view folder);
// A page with the installer's caption (kTextInstallerCaption), its title and its message.
PageRequest MakePage(PageKind kind, DialogLayoutIndex layout, TextId title, TextId text);

// ---- Before anything changes ----

void ChooseLanguage();
void CheckRunningSystem(InstallRun& run);
void CheckMasterProduct();
void HoldInstallerMutex();
void FindPreviousInstallation(InstallRun& run);
void ShowGreeting();
void ShowDocuments();
void ChooseInstallDirectory(const PayloadContext& payload, InstallRun& run);
void ChooseStartMenuFolder(InstallRun& run);

// ---- The work ----

void OpenProgress(const PayloadContext& payload, InstallRun& run);
void MakeRestorePoint(InstallRun& run);
void PrepareDirectories(InstallRun& run);
void RunLeadingBatches(const CommandLineOptions& options, InstallRun& run);
void PrepareFileData(PayloadContext& payload, InstallRun& run);
void IntegrateProduct(const PayloadContext& payload, InstallRun& run);
void FinishWork(InstallRun& run);

// ---- The end ----

void StartNotification(const InstallRun& run);
void CloseProgress(InstallRun& run);
void ReportEnd(const CommandLineOptions& options, InstallRun& run);
bool DecideRestartAtEnd(InstallRun& run);
void RemoveEmptyDirectories(const InstallRun& run);
void RestoreRedirection(InstallRun& run);
// Switches file-system redirection off for a 64-bit product (once the settings are read, and
// back on after the last step that touches its files); run records whether that worked.
void DisableRedirection(InstallRun& run);
void LaunchAfterInstallation(const CommandLineOptions& options, InstallRun& run);

}  // namespace qs
