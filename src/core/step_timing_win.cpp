#include "core/step_timing_win.h"

#include <windows.h>

#include "core/installer_state_win.h"
#include "core/product_flags.h"
#include "core/product_win.h"

namespace qs {
namespace {

DWORD lastMark = 0;
bool marked = false;

}  // namespace

void PumpMessages() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

void MarkStep() {
  lastMark = ::GetTickCount();
  marked = true;
}

void WaitStep() {
  const ProductSettings& product = Product();
  if (!marked || (product.ProductFlags & kFlagShowProgressPage) == 0) return;
  const DWORD delay = product.minStepDelay;
  for (;;) {
    PumpMessages();
    // Unsigned difference: right across the tick counter's wrap.
    DWORD elapsed = ::GetTickCount() - lastMark;
    if (elapsed >= delay) break;
    DWORD left = delay - elapsed;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, left < 15 ? left : 15, QS_ALLINPUT);
  }
  MarkStep();
}

void WaitStepFor(unsigned ms) {
  if (GetInstallerState().automaticMode) return;
  for (;;) {
    PumpMessages();
    DWORD elapsed = ::GetTickCount() - lastMark;
    if (!marked || elapsed >= ms) break;
    DWORD left = ms - elapsed;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, left < 50 ? left : 50, QS_ALLINPUT);
  }
}

}  // namespace qs
