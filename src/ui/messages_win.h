#pragma once
// The message boxes of the program, all shown through the UserInterface. Texts are wide; the
// narrow overloads take the "|" convention.
#include <string_view>

#include "ui/user_interface_win.h"

namespace qs {

// Question icon, Yes/No; true on Yes.
bool AskYesNo(std::wstring_view message, std::wstring_view title, bool defaultYes = true);
// The restart question: Yes/No, Yes by default, but a box that cannot be shown answers No, so
// that a failed box never restarts the machine.
bool AskToRestart(std::wstring_view message, std::wstring_view title);
// Question icon, OK/Cancel; true on OK.
bool AskOkCancel(std::wstring_view message, std::wstring_view title, bool defaultOk = true);
// An OK box; an empty title is the installer's caption.
void ShowMessage(std::wstring_view message, std::wstring_view title = {},
                 MessageIcon icon = MessageIcon::kInformation);
// Error icon with the error caption. Not shown when the message is empty, nor in automatic
// mode unless the product asks for errors there (SetShowErrorsInAutomaticMode).
void ShowError(std::wstring_view message);
void ShowError(std::string_view narrowMessage);

void SetShowErrorsInAutomaticMode(bool show);

// Ends the run on the user's request: unless the run is automatic, a warning box says the
// installation (kTextInstallCancelled under kTextInstallerCaption) or the uninstallation
// (kTextUninstallCancelled under kTextUninstallCaption) was cancelled; then the exit code is 1.
[[noreturn]] void CancelInstall();

// The caption of error boxes.
std::wstring ErrorCaption();

// The fatal-error handler's way of showing: an error box with the error caption, always, even
// in automatic mode (the run ends right after it). `text` is narrow ("|" convention).
void ShowFatalErrorBox(const char* text);

}  // namespace qs
