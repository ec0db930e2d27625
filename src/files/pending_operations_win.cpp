#include "files/pending_operations_win.h"

#include <windows.h>

#include <vector>

#include "base/handle_win.h"
#include "base/registry_read_win.h"
#include "base/registry_view_win.h"
#include "base/system_edit_lock_win.h"
#include "base/text_win.h"
#include "files/deferred_operations_win.h"
#include "files/pending_operations.h"

namespace qs {
namespace {

constexpr wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingValue[] = L"PendingFileRenameOperations";
// Read and write, without the right to delete the key.
constexpr REGSAM kReadWriteAccess = 0x2000F;

// The value's strings; false when it is missing, of another type or unreadable. A list that
// keeps growing while it is read is left alone: read in part, it would be written back without
// the rest.
bool ReadPendingOperations(HKEY key, std::vector<std::u16string>& operations) {
  DWORD type = 0;
  std::u16string units;
  if (!ReadRegistryValueUnits(key, kPendingValue, type, units) || type != REG_MULTI_SZ) {
    return false;
  }
  operations = ParseMultiString(units);
  return true;
}

}  // namespace

std::u16string LowerCasePath(std::u16string_view path) {
  std::wstring lowered(AsWide(path));
  if (!lowered.empty()) ::CharLowerBuffW(lowered.data(), static_cast<DWORD>(lowered.size()));
  return std::u16string(AsU16(lowered));
}

void RemoveFromPendingOperations(const std::set<std::u16string>& files, std::u16string* log) {
  const SystemEditLock lock;
  UniqueRegKey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, InProgramView(kReadWriteAccess),
                      key.Receive()) != ERROR_SUCCESS) {
    return;
  }
  std::vector<std::u16string> operations;
  if (!ReadPendingOperations(key.Get(), operations) || operations.empty()) return;

  if (log) *log += u"\r\n";
  const PendingOperationsEdit edit = DropPendingOperationsOn(operations, files, LowerCasePath);
  if (log) *log += edit.log;
  // A move's prepared copy is no longer wanted; the Recycle Bin keeps it in case it was.
  for (const std::u16string& source : edit.toRecycle) {
    DeleteFileWithOptions(std::wstring(AsWide(source)), kDeleteToRecycleBin);
  }
  if (!edit.changed) return;
  const std::u16string data = EncodeMultiString(edit.operations);
  ::RegSetValueExW(key.Get(), kPendingValue, 0, REG_MULTI_SZ,
                   reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(data.size() * sizeof(char16_t)));
}

}  // namespace qs
