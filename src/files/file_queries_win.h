#pragma once
// What the replacement rules ask about an existing destination, and the open with the file
// layer's result codes. Narrow paths follow the "|" convention.
#include <windows.h>

#include <string>

#include "base/date_time.h"
#include "base/handle_win.h"
#include "base/open_result.h"

namespace qs {

struct FileOpen {
  UniqueFileHandle handle;
  OpenResult result = kOpenUnknownError;
  DWORD error = 0;  // the system error of the last attempt
};

// CreateFileW with the file layer's result code. A sharing violation is tried again up to five
// more times, 100 ms apart, unless `retryWhenLocked` is false.
FileOpen OpenFileForLayer(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                          DWORD flags, bool retryWhenLocked = true);

// Opened for existence only; true when the open succeeds, meets a sharing violation or is
// refused access (so a folder counts as existing).
bool FileExists(const std::wstring& path);

// How two folders are compared: the full path without a trailing backslash, every letter in
// the system's lower case.
// The path made absolute and resolved as the system reads it ("." and ".." steps, slashes);
// the path itself when the system cannot.
std::wstring FullPath(std::wstring_view path);
std::wstring FolderKey(std::wstring_view folder);

// The last-write time (UTC) from the folder listing.
bool GetFileDate(const std::wstring& path, DateTime& date);

// The "FileVersion" text of the version resource in UTF-8, "," turned into "." and trimmed;
// empty when there is none.
std::string GetFileVersion(const std::wstring& path);

// Conversions between the system's time and the stored date, field by field.
DateTime DateTimeFromSystemTime(const SYSTEMTIME& time);
bool FileTimeFromDateTime(const DateTime& date, FILETIME& time);
// Sets the file's creation and last-write time to `date`; false when the date is no valid time
// or the file cannot be opened.
bool SetFileTimes(const std::wstring& path, const DateTime& date);

}  // namespace qs
