#pragma once
// Tests run side by side in one prefix, each in a process of its own. A test that changes
// something the whole machine shares (the search path, the shared-file counts key) holds the
// lock of that thing for its whole run, so that a neighbour never saves or restores it halfway.
#include <windows.h>

#include <string>

#include "base/handle_win.h"

namespace qs::systest {

class PrefixLock {
 public:
  explicit PrefixLock(const std::wstring& name)
      : mutex_(::CreateMutexW(nullptr, FALSE, (L"Global\\QuillonetTests." + name).c_str())) {
    // An abandoned lock (a test that crashed) is taken over as well.
    if (mutex_) ::WaitForSingleObject(mutex_.Get(), INFINITE);
  }
  ~PrefixLock() {
    if (mutex_) ::ReleaseMutex(mutex_.Get());
  }
  PrefixLock(const PrefixLock&) = delete;
  PrefixLock& operator=(const PrefixLock&) = delete;

 private:
  UniqueHandle mutex_;
};

}  // namespace qs::systest
