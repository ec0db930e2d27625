#include "files/pending_operations_win.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "base/handle_win.h"
#include "base/text_win.h"
#include "files/deferred_operations_win.h"
#include "files/pending_operations.h"

namespace qs {
namespace {

constexpr wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingValue[] = L"PendingFileRenameOperations";
// Read and write, without the right to delete the key.
constexpr REGSAM kReadWriteAccess = 0x2000F;

// The value's strings; false when it is missing, of another type or unreadable.
bool ReadPendingOperations(HKEY key, std::vector<std::u16string>& operations) {
  std::vector<BYTE> data;
  DWORD type = 0;
  DWORD size = 0;
  LSTATUS status = ::RegQueryValueExW(key, kPendingValue, nullptr, &type, nullptr, &size);
  // The value may grow between the two calls.
  for (int attempt = 0; status == ERROR_SUCCESS && attempt < 4; ++attempt) {
    data.resize(size);
    status = ::RegQueryValueExW(key, kPendingValue, nullptr, &type, data.data(), &size);
    if (status == ERROR_SUCCESS) {
      data.resize(size);
      break;
    }
    if (status == ERROR_MORE_DATA) status = ERROR_SUCCESS;
  }
  if (status != ERROR_SUCCESS || type != REG_MULTI_SZ) return false;
  std::u16string units(data.size() / sizeof(char16_t), u'\0');
  if (!units.empty()) std::memcpy(units.data(), data.data(), units.size() * sizeof(char16_t));
  operations = ParseMultiString(units);
  return true;
}

}  // namespace

std::u16string LowerCasePath(std::u16string_view path) {
  std::wstring lowered(AsWide(path));
  if (!lowered.empty()) ::CharLowerBuffW(lowered.data(), static_cast<DWORD>(lowered.size()));
  return std::u16string(AsU16(lowered));
}

void RemoveFromPendingOperations(const std::set<std::u16string>& files, std::string* log) {
  UniqueRegKey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, kReadWriteAccess, key.Receive()) !=
      ERROR_SUCCESS) {
    return;
  }
  std::vector<std::u16string> operations;
  if (!ReadPendingOperations(key.Get(), operations) || operations.empty()) return;

  if (log) *log += "\r\n";
  const PendingOperationsEdit edit = DropPendingOperationsOn(operations, files, LowerCasePath);
  if (log) *log += edit.log;
  // A move's prepared copy is no longer wanted; the Recycle Bin keeps it in case it was.
  for (const std::u16string& source : edit.toRecycle) {
    DeleteFileWithOptions(Narrow(AsWide(source)), kDeleteToRecycleBin);
  }
  if (!edit.changed) return;
  const std::u16string data = EncodeMultiString(edit.operations);
  ::RegSetValueExW(key.Get(), kPendingValue, 0, REG_MULTI_SZ,
                   reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(data.size() * sizeof(char16_t)));
}

}  // namespace qs
