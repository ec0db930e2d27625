#pragma once
// Machine-wide lists that every installer reads, changes and writes back (the operations left
// for the restart, the shared-file counts, the machine's search path) are edited by one
// process at a time: two installers at once would otherwise each write back what they read,
// and one would lose the other's entries. The lock is a mutex in the Global namespace, so that
// installers in other sessions wait too; the same thread may take it again.
#include <windows.h>

namespace qs {

inline constexpr wchar_t kSystemEditMutexName[] = L"Global\\Quillonet Setup: system edits";

class SystemEditLock {
 public:
  // Waits for the other edits, a minute at most: after that the edit goes ahead unguarded
  // rather than leave the installation hanging on a process that never lets go.
  SystemEditLock();
  ~SystemEditLock();
  SystemEditLock(const SystemEditLock&) = delete;
  SystemEditLock& operator=(const SystemEditLock&) = delete;

 private:
  HANDLE mutex_ = nullptr;
  bool owned_ = false;
};

}  // namespace qs
