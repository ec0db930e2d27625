#include "ui/messages_win.h"

#include "base/text_win.h"
#include "core/exit_win.h"
#include "core/installer_state_win.h"
#include "core/product_win.h"

namespace qs {
namespace {

bool showErrorsInAutomaticMode = false;

}  // namespace

bool AskYesNo(std::wstring_view message, std::wstring_view title, bool defaultYes) {
  MessageRequest request{
      title,       message, MessageIcon::kQuestion, MessageButtons::kYesNo, defaultYes ? 0 : 1,
      std::nullopt};
  return Ui().ShowMessageBox(request) == MessageAnswer::kYes;
}

bool AskToRestart(std::wstring_view message, std::wstring_view title) {
  MessageRequest request{title, message,           MessageIcon::kQuestion, MessageButtons::kYesNo,
                         0,     MessageAnswer::kNo};
  return Ui().ShowMessageBox(request) == MessageAnswer::kYes;
}

bool AskOkCancel(std::wstring_view message, std::wstring_view title, bool defaultOk) {
  MessageRequest request{
      title,       message, MessageIcon::kQuestion, MessageButtons::kOkCancel, defaultOk ? 0 : 1,
      std::nullopt};
  return Ui().ShowMessageBox(request) == MessageAnswer::kOk;
}

void ShowMessage(std::wstring_view message, std::wstring_view title, MessageIcon icon) {
  if (title.empty()) title = AsWide(GetInstallerState().title);
  Ui().ShowMessageBox({title, message, icon, MessageButtons::kOk, 0, std::nullopt});
}

void ShowError(std::wstring_view message) {
  if (message.empty()) return;
  if (GetInstallerState().automaticMode && !showErrorsInAutomaticMode) return;
  std::wstring caption = ErrorCaption();
  Ui().ShowMessageBox(
      {caption, message, MessageIcon::kError, MessageButtons::kOk, 0, std::nullopt});
}

void ShowError(std::string_view narrowMessage) {
  ShowError(Widen(narrowMessage));
}

void SetShowErrorsInAutomaticMode(bool show) {
  showErrorsInAutomaticMode = show;
}

void CancelInstall() {
  const InstallerState& state = GetInstallerState();
  if (!state.automaticMode) {
    bool uninstalling = state.uninstallMode;
    std::wstring text = GetText(uninstalling ? kTextUninstallCancelled : kTextInstallCancelled);
    if (text.empty()) {
      text =
          uninstalling ? L"The uninstallation was cancelled." : L"The installation was cancelled.";
    }
    ShowMessage(text, GetText(uninstalling ? kTextUninstallCaption : kTextInstallerCaption),
                MessageIcon::kWarning);
  }
  ExitInstaller(1);
}

std::wstring ErrorCaption() {
  std::wstring caption = GetText(kTextErrorCaption);
  return caption.empty() ? L"Error" : caption;
}

void ShowFatalErrorBox(const char* text) {
  std::wstring caption = ErrorCaption();
  std::wstring message = Widen(text != nullptr ? text : "");
  Ui().ShowMessageBox(
      {caption, message, MessageIcon::kError, MessageButtons::kOk, 0, std::nullopt});
}

}  // namespace qs
