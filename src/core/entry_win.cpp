// The program's entry: prepares the process, reads the switches, and runs the uninstaller or
// the installation. Every way out goes through ExitInstaller.
#include <ole2.h>
#include <windows.h>

#include <string>

#include "base/environment_view_win.h"
#include "base/fatal.h"
#include "base/privilege_win.h"
#include "base/text.h"
#include "base/text_win.h"
#include "core/command_line.h"
#include "core/exit_win.h"
#include "core/install_sequence_win.h"
#include "core/installer_state_win.h"
#include "core/own_file_win.h"
#include "core/system_actions_win.h"
#include "ui/messages_win.h"
#include "ui/resources/resource_ids.h"
#include "ui/user_interface_win.h"
#include "uninstall/uninstall_win.h"

namespace qs {
namespace {

HICON LoadProgramIcon(HINSTANCE instance, int widthMetric, int heightMetric) {
  return static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(kProgramIconId), IMAGE_ICON,
                                         ::GetSystemMetrics(widthMetric),
                                         ::GetSystemMetrics(heightMetric), LR_SHARED));
}

std::string ProgramFileName() {
  std::wstring path = ModuleFileName();
  size_t folderEnd = path.find_last_of(L"\\/");
  return WideToAnsi(folderEnd == std::wstring::npos ? path : path.substr(folderEnd + 1));
}

[[noreturn]] void ShowUsage(std::string_view message) {
  FatalError("%s", FormatUsage(message, ProgramFileName()).c_str());
}

void PrepareProcess(HINSTANCE instance) {
  AdoptProgramEnvironment();
  InstallerState& state = GetInstallerState();
  state.title = AsU16(kInstallerTitle);
  state.oleInitialized = SUCCEEDED(::OleInitialize(nullptr));
  EnablePrivilege(L"SeTakeOwnershipPrivilege");
  StartUserInterface();
  StartSystemActions();
  SetFatalErrorHooks({ShowFatalErrorBox, ExitInstaller});
  state.instance = instance;
  state.largeIcon = LoadProgramIcon(instance, SM_CXICON, SM_CYICON);
  state.smallIcon = LoadProgramIcon(instance, SM_CXSMICON, SM_CYSMICON);
}

// The switches of the wide command line: what follows the program's name, quoted or not.
std::wstring_view ArgumentsOf(std::wstring_view commandLine) {
  size_t end = 0;
  if (!commandLine.empty() && commandLine.front() == L'"') {
    end = commandLine.find(L'"', 1);
    end = end == std::wstring_view::npos ? commandLine.size() : end + 1;
  }
  while (end < commandLine.size() && commandLine[end] != L' ' && commandLine[end] != L'\t') ++end;
  return commandLine.substr(end);
}

std::string BarFromUtf8(std::string_view utf8) {
  return ToBarNarrow(Utf8ToUtf16(utf8));
}

std::string AnsiFromUtf8(std::string_view utf8) {
  return WideToAnsi(AsWide(Utf8ToUtf16(utf8)));
}

// The switches are read from the wide command line, so that a folder or name outside the ANSI
// code page arrives whole (the narrow command line would hold "?" in its place). Each value is
// decoded here, once, into the form the rest of the program reads: UTF-16 for the folder and
// name overrides and the product to uninstall, the "|" convention for the program to run, and for
// the batch additions the ANSI code page the batches are written in.
CommandLineOptions ReadCommandLine() {
  InstallerState& state = GetInstallerState();
  CommandLineOptions options;
  std::string message;
  if (!ParseCommandLine(WideToUtf8(ArgumentsOf(::GetCommandLineW())), options, message)) {
    ShowUsage(AnsiFromUtf8(message));
  }
  options.runAfterInstall = BarFromUtf8(options.runAfterInstall);
  for (std::string* addition :
       {&options.preBatchAddition, &options.postBatchAddition, &options.exitBatchAddition}) {
    *addition = AnsiFromUtf8(*addition);
  }
  state.automaticMode = options.automaticMode;
  state.uninstallMode = options.uninstallMode;
  state.startMinimized = options.startMinimized;
  state.installDirOverride = Utf8ToUtf16(options.installDirOverride);
  state.productNameOverride = Utf8ToUtf16(options.productNameOverride);
  return options;
}

[[noreturn]] void RunUninstaller(const CommandLineOptions& options) {
  if (options.uninstallProductName.empty()) ShowUsage("Product name required");
  if (Uninstall(Utf8ToUtf16(options.uninstallProductName))) FinishUninstall();
  ExitInstaller(0);
}

[[noreturn]] void Run(HINSTANCE instance) {
  PrepareProcess(instance);
  CommandLineOptions options = ReadCommandLine();
  if (GetInstallerState().uninstallMode) RunUninstaller(options);
  InputFile ownFile;
  OpenOwnFile(ownFile);
  RunInstallation(ownFile, options);
}

}  // namespace
}  // namespace qs

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  qs::Run(instance);
}
