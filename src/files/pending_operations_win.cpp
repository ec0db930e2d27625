#include "files/pending_operations_win.h"

#include <windows.h>

#include <algorithm>
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
  DWORD type = 0;
  DWORD size = 0;
  if (::RegQueryValueExW(key, kPendingValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
    return false;
  }
  // The value may grow between two calls; each refusal gives the size it needs now. A refused
  // buffer holds nothing, and a list read in part would be written back without the rest, so a
  // value that keeps growing is left alone. An empty value still gets a buffer, so that growth
  // meanwhile is refused rather than passed over.
  std::vector<BYTE> data;
  LSTATUS status = ERROR_MORE_DATA;
  for (int attempt = 0; status == ERROR_MORE_DATA && attempt < 4; ++attempt) {
    data.resize(std::max<DWORD>(size, sizeof(char16_t)));
    size = static_cast<DWORD>(data.size());
    status = ::RegQueryValueExW(key, kPendingValue, nullptr, &type, data.data(), &size);
  }
  if (status != ERROR_SUCCESS || type != REG_MULTI_SZ) return false;
  data.resize(size);
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
    DeleteFileWithOptions(std::wstring(AsWide(source)), kDeleteToRecycleBin);
  }
  if (!edit.changed) return;
  const std::u16string data = EncodeMultiString(edit.operations);
  ::RegSetValueExW(key.Get(), kPendingValue, 0, REG_MULTI_SZ,
                   reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(data.size() * sizeof(char16_t)));
}

}  // namespace qs
