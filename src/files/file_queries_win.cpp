#include "files/file_queries_win.h"

#include <cwchar>
#include <vector>

#include "base/file_redirection_win.h"
#include "base/file_win.h"
#include "base/system_library_win.h"
#include "base/text_win.h"
#include "base/version_compare.h"
#include "core/directory_checks_win.h"
#include "core/directory_rules.h"
#include "files/pending_operations_win.h"

namespace qs {
namespace {

constexpr int kLockedRetries = 5;
constexpr DWORD kLockedRetryPauseMs = 100;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kWriteAccess = GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA;

// For "path not found": whether the path's drive is there at all. A relative path is taken
// to be on a present drive.
bool DriveExists(const std::wstring& path) {
  const std::u16string drive = DriveOfPath(AsU16(path));
  return drive.empty() || SystemDriveFacts().TypeOfDrive(DriveRoot(drive)) != DriveType::kMissing;
}

bool IsReadOnlyFile(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(Redirected(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
         (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

using GetFileVersionInfoSizeWFunction = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
using GetFileVersionInfoWFunction = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
using VerQueryValueWFunction = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);

// version.dll, loaded on first use and kept for the rest of the run.
struct VersionLibrary {
  UniqueModule module;
  GetFileVersionInfoSizeWFunction getSize = nullptr;
  GetFileVersionInfoWFunction getInfo = nullptr;
  VerQueryValueWFunction query = nullptr;

  VersionLibrary() : module(LoadSystemLibrary(L"version.dll")) {
    getSize = LibraryFunction<GetFileVersionInfoSizeWFunction>(module, "GetFileVersionInfoSizeW");
    getInfo = LibraryFunction<GetFileVersionInfoWFunction>(module, "GetFileVersionInfoW");
    query = LibraryFunction<VerQueryValueWFunction>(module, "VerQueryValueW");
  }
  bool Usable() const { return getSize != nullptr && getInfo != nullptr && query != nullptr; }
};

const VersionLibrary& Version() {
  static VersionLibrary library;
  return library;
}

bool QueryFileVersionText(const VersionLibrary& library, const std::vector<uint8_t>& info,
                          const std::wstring& translation, std::wstring& text) {
  const std::wstring key = L"\\StringFileInfo\\" + translation + L"\\FileVersion";
  void* value = nullptr;
  UINT length = 0;
  if (!library.query(info.data(), key.c_str(), &value, &length) || value == nullptr) return false;
  // The length counts characters, with the terminating zero on most systems.
  const wchar_t* characters = static_cast<const wchar_t*>(value);
  text.assign(characters, ::wcsnlen(characters, length));
  return true;
}

// The first language and code page of the resource as "llllcccc", empty when there is none.
std::wstring FirstTranslation(const VersionLibrary& library, const std::vector<uint8_t>& info) {
  void* value = nullptr;
  UINT length = 0;
  if (!library.query(info.data(), L"\\VarFileInfo\\Translation", &value, &length) ||
      value == nullptr || length < 2 * sizeof(WORD)) {
    return {};
  }
  const WORD* pair = static_cast<const WORD*>(value);
  const uint32_t both = (static_cast<uint32_t>(pair[0]) << 16) | pair[1];
  std::wstring text(8, L'0');
  for (int i = 7; i >= 0; --i) text[7 - i] = L"0123456789abcdef"[(both >> (4 * i)) & 0xF];
  return text;
}

bool ToWord(int32_t value, WORD& out) {
  if (value < 0 || value > 0xFFFF) return false;
  out = static_cast<WORD>(value);
  return true;
}

}  // namespace

FileOpen OpenFileForLayer(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                          DWORD flags, bool retryWhenLocked) {
  FileOpen open;
  for (int retry = 0;; ++retry) {
    open.handle.Reset(
        ::CreateFileW(Redirected(path), access, share, nullptr, disposition, flags, nullptr));
    if (open.handle) {
      open.error = 0;
      open.result = kOpenSuccess;
      return open;
    }
    open.error = ::GetLastError();
    if (open.error != ERROR_SHARING_VIOLATION || !retryWhenLocked || retry == kLockedRetries) {
      break;
    }
    ::Sleep(kLockedRetryPauseMs);
  }
  const bool driveExists = open.error != ERROR_PATH_NOT_FOUND || DriveExists(path);
  const bool readOnly =
      open.error == ERROR_ACCESS_DENIED && (access & kWriteAccess) != 0 && IsReadOnlyFile(path);
  open.result = OpenResultFromError(open.error, driveExists, readOnly);
  // Keep the caller's view of the failure, whatever the checks above did to the last error.
  ::SetLastError(open.error);
  return open;
}

bool FileExists(const std::wstring& path) {
  // A sharing violation already says the file is there, so it is not waited out.
  const FileOpen open =
      OpenFileForLayer(path, 0, kShareAll, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, false);
  return OpenResultMeansExisting(open.result);
}

bool GetFileDate(const std::wstring& wide, DateTime& date) {
  // A pattern would list some other file.
  if (wide.empty() || wide.find_first_of(L"*?") != std::wstring::npos) return false;
  WIN32_FIND_DATAW found{};
  UniqueFindHandle find(::FindFirstFileW(Redirected(wide), &found));
  if (!find) return false;
  SYSTEMTIME time{};
  if (!::FileTimeToSystemTime(&found.ftLastWriteTime, &time)) return false;
  date = DateTimeFromSystemTime(time);
  return true;
}

std::string GetFileVersion(const std::wstring& wide) {
  const VersionLibrary& library = Version();
  if (!library.Usable()) return {};
  DWORD ignored = 0;
  const DWORD size = library.getSize(Redirected(wide), &ignored);
  if (size == 0) return {};
  std::vector<uint8_t> info(size);
  if (!library.getInfo(Redirected(wide), 0, size, info.data())) return {};

  std::wstring text;
  const std::wstring first = FirstTranslation(library, info);
  const bool found = (!first.empty() && QueryFileVersionText(library, info, first, text)) ||
                     QueryFileVersionText(library, info, L"040904b0", text) ||
                     QueryFileVersionText(library, info, L"040904E4", text);
  if (!found) return {};
  return NormalizeFileVersionText(WideToUtf8(text));
}

DateTime DateTimeFromSystemTime(const SYSTEMTIME& time) {
  DateTime date;
  date.year = time.wYear;
  date.month = time.wMonth;
  date.day = time.wDay;
  date.hour = time.wHour;
  date.minute = time.wMinute;
  date.second = time.wSecond;
  return date;
}

bool FileTimeFromDateTime(const DateTime& date, FILETIME& time) {
  // The system checks the ranges too, but a value outside a WORD would wrap into one first.
  SYSTEMTIME system{};
  if (!ToWord(date.year, system.wYear) || !ToWord(date.month, system.wMonth) ||
      !ToWord(date.day, system.wDay) || !ToWord(date.hour, system.wHour) ||
      !ToWord(date.minute, system.wMinute) || !ToWord(date.second, system.wSecond)) {
    return false;
  }
  return ::SystemTimeToFileTime(&system, &time) != FALSE;
}

bool SetFileTimes(const std::wstring& path, const DateTime& date) {
  FILETIME time{};
  if (!FileTimeFromDateTime(date, time)) return false;
  UniqueFileHandle file(::CreateFileW(Redirected(path), FILE_WRITE_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file && ::SetFileTime(file.Get(), &time, nullptr, &time);
}

std::wstring FullPath(std::wstring_view path) {
  const std::wstring given(path);
  std::wstring full = SystemFullPath(given);
  return full.empty() ? given : full;
}

std::wstring FolderKey(std::wstring_view folder) {
  std::wstring path = FullPath(folder);
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  return std::wstring(AsWide(LowerCasePath(AsU16(path))));
}

}  // namespace qs
