#include "core/exit_win.h"

#include <ole2.h>
#include <windows.h>

#include "base/file_redirection_win.h"
#include "core/installer_state_win.h"
#include "ui/background_window_win.h"
#include "ui/user_interface_win.h"

namespace qs {
namespace {

void PumpPendingMessages() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

}  // namespace

void ExitInstaller(int code) {
  // A failure raised while closing down must not run the closing steps a second time.
  static bool exiting = false;
  if (exiting) ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(code));
  exiting = true;

  InstallerState& state = GetInstallerState();
  Ui().CloseProgressPage();
  CloseBackgroundWindow();
  PumpPendingMessages();
  if (!state.temporaryWorkFile.empty()) {
    ::DeleteFileW(Redirected(state.temporaryWorkFile));
    state.temporaryWorkFile.clear();
  }
  if (state.notifierThread) {
    ::WaitForSingleObject(state.notifierThread.Get(), INFINITE);
    state.notifierThread.Reset();
  }
  if (state.oleInitialized) {
    ::OleUninitialize();
    state.oleInitialized = false;
  }
  ::ExitProcess(static_cast<UINT>(code));
}

}  // namespace qs
