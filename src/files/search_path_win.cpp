#include "files/search_path_win.h"

#include <windows.h>

#include <algorithm>

#include "base/handle_win.h"
#include "base/registry_read_win.h"
#include "base/registry_view_win.h"
#include "base/system_edit_lock_win.h"
#include "base/text_win.h"
#include "files/pending_operations_win.h"
#include "files/search_path.h"

namespace qs {
namespace {

constexpr wchar_t kEnvironmentKey[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr wchar_t kPathValue[] = L"Path";
// Read and write, without the right to delete the key.
constexpr REGSAM kReadWriteAccess = 0x2000F;

// The whole "Path" text, however long: a search path read in part and written back would lose
// its end. False when the value is missing, not a string or unreadable.
bool ReadSearchPath(HKEY key, std::u16string& path) {
  DWORD type = 0;
  if (!ReadRegistryValueUnits(key, kPathValue, type, path)) return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  // The text ends at its first zero, the terminator or not.
  path.resize(std::min(path.size(), path.find(u'\0')));
  return true;
}

}  // namespace

void UpdateSearchPath(std::wstring_view folder, bool add) {
  const SystemEditLock lock;
  UniqueRegKey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kEnvironmentKey, 0, InProgramView(kReadWriteAccess),
                      key.Receive()) != ERROR_SUCCESS) {
    return;
  }
  std::u16string path;
  if (!ReadSearchPath(key.Get(), path) || path.empty()) return;
  const bool changed = add ? AddToSearchPathText(path, AsU16(folder), LowerCasePath)
                           : RemoveFromSearchPathText(path, AsU16(folder), LowerCasePath);
  if (!changed) return;
  ::RegSetValueExW(key.Get(), kPathValue, 0, REG_EXPAND_SZ,
                   reinterpret_cast<const BYTE*>(path.c_str()),
                   static_cast<DWORD>((path.size() + 1) * sizeof(char16_t)));
}

}  // namespace qs
