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

void PrepareProcess(HINSTANCE instance, const char* commandLine) {
  AdoptProgramEnvironment();
  InstallerState& state = GetInstallerState();
  state.title = kInstallerTitle;
  state.titleWide = AnsiToWide(kInstallerTitle);
  state.oleInitialized = SUCCEEDED(::OleInitialize(nullptr));
  EnablePrivilege(L"SeTakeOwnershipPrivilege");
  StartUserInterface();
  StartSystemActions();
  SetFatalErrorHooks({ShowFatalErrorBox, ExitInstaller});
  state.instance = instance;
  state.commandLine = commandLine != nullptr ? commandLine : "";
  state.largeIcon = LoadProgramIcon(instance, SM_CXICON, SM_CYICON);
  state.smallIcon = LoadProgramIcon(instance, SM_CXSMICON, SM_CYSMICON);
}

CommandLineOptions ReadCommandLine() {
  InstallerState& state = GetInstallerState();
  CommandLineOptions options;
  std::string message;
  if (!ParseCommandLine(state.commandLine, options, message)) ShowUsage(message);
  state.automaticMode = options.automaticMode;
  state.uninstallMode = options.uninstallMode;
  state.startMinimized = options.startMinimized;
  state.installDirOverride = options.installDirOverride;
  state.installDirOverrideWide = Widen(options.installDirOverride);
  state.productNameOverride = options.productNameOverride;
  state.productNameOverrideWide = AnsiToWide(options.productNameOverride);
  return options;
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

// The product to remove, named as the wide command line names it: a registration's command
// carries the name in UTF-16, and the narrow command line keeps only what the ANSI code page
// holds. A name outside it travels on in the "|" form.
std::string UninstallProductName(const CommandLineOptions& options) {
  CommandLineOptions wide;
  std::string message;
  if (!ParseCommandLine(WideToUtf8(ArgumentsOf(::GetCommandLineW())), wide, message) ||
      wide.uninstallProductName.empty()) {
    return options.uninstallProductName;
  }
  return Narrow(AsWide(Utf8ToUtf16(wide.uninstallProductName)));
}

[[noreturn]] void RunUninstaller(const CommandLineOptions& options) {
  if (options.uninstallProductName.empty()) ShowUsage("Product name required");
  if (Uninstall(UninstallProductName(options))) FinishUninstall();
  ExitInstaller(0);
}

[[noreturn]] void Run(HINSTANCE instance, const char* commandLine) {
  PrepareProcess(instance, commandLine);
  CommandLineOptions options = ReadCommandLine();
  if (GetInstallerState().uninstallMode) RunUninstaller(options);
  InputFile ownFile;
  OpenOwnFile(ownFile);
  RunInstallation(ownFile, options);
}

}  // namespace
}  // namespace qs

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  qs::Run(instance, commandLine);
}
