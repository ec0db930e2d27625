#include "base/system_edit_lock_win.h"

namespace qs {
namespace {

constexpr DWORD kWaitMs = 60 * 1000;

}  // namespace

SystemEditLock::SystemEditLock() {
  mutex_ = ::CreateMutexW(nullptr, FALSE, kSystemEditMutexName);
  if (mutex_ == nullptr) return;
  const DWORD result = ::WaitForSingleObject(mutex_, kWaitMs);
  // An owner that ended without letting go leaves the lists as it wrote them last.
  owned_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

SystemEditLock::~SystemEditLock() {
  if (owned_) ::ReleaseMutex(mutex_);
  if (mutex_ != nullptr) ::CloseHandle(mutex_);
}

}  // namespace qs
