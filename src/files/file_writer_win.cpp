#include "files/file_writer_win.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/file_redirection_win.h"
#include "base/file_win.h"
#include "base/system_error_win.h"
#include "base/text_win.h"
#include "core/directory_checks_win.h"
#include "core/directory_rules.h"
#include "core/install_steps_win.h"
#include "core/product_flags.h"
#include "core/product_win.h"
#include "files/deferred_operations_win.h"
#include "files/file_queries_win.h"

namespace qs {
namespace {

constexpr int kWriteAttempts = 3;
constexpr size_t kVerifyBlock = 4096;
constexpr DWORD kRetryPauseMs = 50;
constexpr DWORD kStampedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                     FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                     FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE;  // 0x1127
constexpr uint32_t kKeepAttributes = 0xFFFFFFFF;

// Reads the file back and compares it with `data` in 4 KiB blocks. 0 when it holds exactly
// the data; otherwise the system error of the failing step, or ERROR_FILE_CORRUPT for a file
// of the wrong size or content (no system call failed then, and the report still needs a
// reason).
DWORD VerifyWrittenFile(const std::wstring& path, ByteSpan data) {
  FileOpen open =
      OpenFileForLayer(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
  if (!open.handle) return open.error;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(open.handle.Get(), &size)) return ::GetLastError();
  if (static_cast<uint64_t>(size.QuadPart) != data.size()) return ERROR_FILE_CORRUPT;
  uint8_t block[kVerifyBlock];
  size_t offset = 0;
  while (offset < data.size()) {
    const DWORD wanted = static_cast<DWORD>(std::min(kVerifyBlock, data.size() - offset));
    DWORD read = 0;
    if (!::ReadFile(open.handle.Get(), block, wanted, &read, nullptr)) return ::GetLastError();
    if (read != wanted || std::memcmp(block, data.data() + offset, wanted) != 0) {
      return ERROR_FILE_CORRUPT;
    }
    offset += wanted;
  }
  return 0;
}

// Writes the data and its date to `file`. 0 or the system error.
DWORD WriteContent(HANDLE file, ByteSpan data, const DateTime& dateTime) {
  const DWORD error = WriteAllBytes(file, data);
  if (error != 0) return error;
  FILETIME time{};
  if (dateTime.IsComplete() && FileTimeFromDateTime(dateTime, time)) {
    ::SetFileTime(file, &time, nullptr, &time);
  }
  return 0;
}

// A path too long for the partial name: written in place, create-always without sharing.
DWORD WriteInPlace(const std::wstring& path, ByteSpan data, const DateTime& dateTime) {
  FileOpen open = OpenFileForLayer(path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
  if (!open.handle) return open.error;
  const DWORD error = WriteContent(open.handle.Get(), data, dateTime);
  if (error != 0) return error;
  if (!::CloseHandle(open.handle.Release())) return ::GetLastError();
  return 0;
}

// One attempt. The data goes to the partial file and takes the destination's place only when
// whole. A complete date becomes the file's creation and last-write time through the same
// handle, after the last write (opening the file again for it costs as much as writing a small
// file). 0 or the system error.
DWORD WriteOnce(const std::wstring& path, ByteSpan data, const DateTime& dateTime) {
  const std::wstring partial = PartialFilePath(path);
  if (partial.size() >= MAX_PATH) return WriteInPlace(path, data, dateTime);
  bool exists = false;
  DWORD error = CheckReplaceable(path, exists);
  if (error != 0) return error;
  {
    FileOpen open =
        OpenFileForLayer(partial, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    if (!open.handle) return open.error;
    error = WriteContent(open.handle.Get(), data, dateTime);
    if (error == 0 && !::CloseHandle(open.handle.Release())) error = ::GetLastError();
    if (error != 0) {
      open.handle.Reset();
      ::DeleteFileW(Redirected(partial));
      return error;
    }
  }
  error = MovePartialFileIntoPlace(partial, path);
  if (error != 0) return error;
  // NTFS gives a file that takes a just-removed name the removed file's creation time (name
  // tunnelling), so a replaced file gets its date again.
  FILETIME time{};
  if (exists && dateTime.IsComplete() && FileTimeFromDateTime(dateTime, time)) {
    UniqueFileHandle file(::CreateFileW(Redirected(path), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) ::SetFileTime(file.Get(), &time, nullptr, &time);
  }
  return 0;
}

// What the first failed attempt may change before the next: a missing folder is made, and
// with `ProductFlags` bit 19 the attributes that refuse a write are cleared.
void PrepareRetry(const std::wstring& path, DWORD error) {
  if (error == ERROR_PATH_NOT_FOUND) {
    const size_t slash = path.find_last_of(L"\\/");
    if (slash != std::wstring::npos && slash > 0) {
      std::vector<std::wstring> created;
      CreateDirectoryTree(path.substr(0, slash), created);
    }
  }
  if (HasFlag(kFlagClearAttributesOnRetry)) ClearProtectingAttributes(path);
}

// The stored attributes within the 0x1127 mask; the file's others stay. Written only when
// something changes.
void StampAttributes(const std::wstring& path, uint32_t attributes) {
  if (attributes == kKeepAttributes) return;
  const DWORD current = ::GetFileAttributesW(Redirected(path));
  if (current == INVALID_FILE_ATTRIBUTES) return;
  // "Normal" is the system's word for "none of the others" and never combines with them.
  DWORD wanted = (attributes & kStampedAttributes) |
                 (current & ~kStampedAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
  if (wanted == 0) wanted = FILE_ATTRIBUTE_NORMAL;
  if (wanted != current) ::SetFileAttributesW(Redirected(path), wanted);
}

// The upper-case drive letter that `path` begins with; 0 for a share or a relative path.
char DriveLetterOf(const std::wstring& path) {
  const std::u16string drive = DriveOfPath(AsU16(path));
  if (drive.size() != 2 || drive[1] != u':') return 0;
  const char16_t letter = drive[0];
  return static_cast<char>(letter >= u'a' && letter <= u'z' ? letter - u'a' + u'A' : letter);
}

std::u16string CannotWriteText() {
  return std::u16string(AsU16(GetText(kTextCannotWriteFile)));
}

// Three failed attempts: the report, and the replacement at the next restart where allowed.
void ReportFailure(const std::wstring& path, ByteSpan data, const DateTime& dateTime,
                   InstallRun& run, bool existedBefore, DWORD error, bool& deferred) {
  std::u16string report =
      u"\r\n" + CannotWriteText() + u" " + std::u16string(AsU16(path)) + u"\r\n";
  // Only a file that another program holds is free at the restart; a folder in the way, a
  // read-only file or a bad name would fail there as well, after the run reported success.
  const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
                    error == ERROR_USER_MAPPED_FILE;
  bool deferrable = (existedBefore || HasFlag(kFlagReplaceAtRestartEvenIfNew)) && held;
  // A path without a drive letter (a share) is never left for the restart.
  const char letter = DriveLetterOf(path);
  if (letter == 0) deferrable = false;
  const char16_t root[] = {static_cast<char16_t>(letter), u':', u'\\', 0};
  if (letter != 0 && SystemDriveFacts().TypeOfDrive(root) == DriveType::kMissing) {
    report += u"Drive ";
    report += static_cast<char16_t>(letter);
    report += u": is not present.\r\n";
    deferrable = false;
  } else {
    const std::u16string reason = SystemErrorU16(error);
    if (!reason.empty()) report += reason + u"\r\n\r\n";
  }
  if (deferrable && ReplaceLockedFile(path, data, dateTime, report)) {
    Product().ProductFlags |= kFlagRestartRequired;
    deferred = true;
    run.installLog += report;
    return;
  }
  run.failureSummary += report;
}

}  // namespace

std::wstring PartialFilePath(const std::wstring& path) {
  return path + L".qs-partial";
}

DWORD CheckReplaceable(const std::wstring& path, bool& exists) {
  exists = ::GetFileAttributesW(Redirected(path)) != INVALID_FILE_ATTRIBUTES;
  if (!exists) return 0;
  const FileOpen probe =
      OpenFileForLayer(path, GENERIC_WRITE, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
  return probe.handle ? 0 : probe.error;
}

DWORD MovePartialFileIntoPlace(const std::wstring& partial, const std::wstring& path) {
  if (::MoveFileExW(Redirected(partial), Redirected(path), MOVEFILE_REPLACE_EXISTING)) return 0;
  const DWORD error = ::GetLastError();
  ::DeleteFileW(Redirected(partial));
  return error != 0 ? error : ERROR_WRITE_FAULT;
}

// The data cannot have a negative size here: a ByteSpan's size is unsigned, and the payload
// reader refuses an entry whose stored size is negative before its bytes reach this point.
bool WriteInstalledFile(const std::u16string& dest, ByteSpan data, const DateTime& dateTime,
                        InstallRun& run, uint32_t attributes, bool existedBefore, bool& deferred) {
  deferred = false;
  const std::wstring path(AsWide(dest));
  const bool verify = HasFlag(kFlagVerifyWrittenFiles);
  DWORD error = 0;
  for (int attempt = 1; attempt <= kWriteAttempts; ++attempt) {
    error = WriteOnce(path, data, dateTime);
    if (error == 0) {
      if (!verify) break;
      error = VerifyWrittenFile(path, data);
      if (error == 0) break;
      if (attempt == kWriteAttempts) {
        run.failureSummary +=
            CannotWriteText() + u" " + dest + u"\r\n" + SystemErrorU16(error) + u"\r\n\r\n";
        return false;
      }
      continue;  // the next attempt starts at once
    }
    if (attempt == 1) PrepareRetry(path, error);
    if (attempt < kWriteAttempts) ::Sleep(kRetryPauseMs);
  }
  if (error != 0) {
    ReportFailure(path, data, dateTime, run, existedBefore, error, deferred);
    return false;
  }
  StampAttributes(path, attributes);
  return true;
}

}  // namespace qs
