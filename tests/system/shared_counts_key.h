#pragma once
// The machine's shared-file counts, as tests hold them. A fresh Wine prefix has no SharedDLLs
// key and nothing is counted without one, so it is made when missing; it is removed again on
// release when it was made here and nothing is left in it. Tests that hold it take the
// "SharedDlls" prefix lock: one at a time.
#include <windows.h>

#include "base/handle_win.h"
#include "base/registry_view_win.h"

namespace qs::systest {

class SharedCountsKey {
 public:
  static constexpr wchar_t kPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

  SharedCountsKey() = default;
  SharedCountsKey(const SharedCountsKey&) = delete;
  SharedCountsKey& operator=(const SharedCountsKey&) = delete;
  ~SharedCountsKey() { Release(); }

  // In the registry view the program uses; false when the key can be neither opened nor made.
  bool Open() {
    DWORD disposition = 0;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kPath, 0, nullptr, 0,
                          InProgramView(KEY_QUERY_VALUE | KEY_SET_VALUE), nullptr, key_.Receive(),
                          &disposition) != ERROR_SUCCESS) {
      return false;
    }
    made_ = disposition == REG_CREATED_NEW_KEY;
    return true;
  }

  void Release() {
    DWORD subkeys = 0;
    DWORD values = 0;
    const bool empty =
        key_ &&
        ::RegQueryInfoKeyW(key_.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                           &values, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
        subkeys == 0 && values == 0;
    key_.Reset();
    if (made_ && empty) ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kPath, InProgramView(0), 0);
    made_ = false;
  }

  HKEY Get() const { return key_.Get(); }
  explicit operator bool() const { return static_cast<bool>(key_); }

 private:
  UniqueRegKey key_;
  bool made_ = false;
};

}  // namespace qs::systest
