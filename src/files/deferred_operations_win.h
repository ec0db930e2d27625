#pragma once
// Work postponed to the next restart: restart-time moves and deletes (the system's own, or the
// "[rename]" section of wininit.ini), the replacement of a locked file from a prepared copy,
// and the general delete and move operations with their option bits.
#include <windows.h>

#include <cstdint>
#include <string>

#include "base/byte_span.h"
#include "base/date_time.h"

namespace qs {

// Option bits of DeleteFileWithOptions.
inline constexpr uint32_t kDeleteKeepAttributes = 0x1;
inline constexpr uint32_t kDeleteAtRestart = 0x2;
inline constexpr uint32_t kDeleteAtRestartOnFailure = 0x10;
inline constexpr uint32_t kDeleteToRecycleBin = 0x80;
inline constexpr uint32_t kDeleteOnlyIfEmpty = 0x100;
inline constexpr uint32_t kDeleteMissingIsSuccess = 0x800;

// Option bits of MoveFileWithOptions.
inline constexpr uint32_t kMoveTargetMustExist = 0x1;
inline constexpr uint32_t kMoveTargetMustNotExist = 0x2;
inline constexpr uint32_t kMoveCreateFolders = 0x4;
inline constexpr uint32_t kMoveAtRestart = 0x8;
inline constexpr uint32_t kMoveRefuseReadOnlyTarget = 0x40;
inline constexpr uint32_t kMoveIntoFolder = 0x80;
inline constexpr uint32_t kMoveTargetRelativeToSource = 0x200;

// Each returns 0 or the system error (also left as the thread's last error; after a move
// registered for the restart, ERROR_BUSY). A Recycle Bin failure returns the shell's own code.
DWORD DeleteFileWithOptions(const std::wstring& path, uint32_t options);
DWORD MoveFileWithOptions(const std::wstring& source, std::wstring target, uint32_t options);

// Clears the read-only, hidden and system attributes that keep a file from being deleted or
// replaced. False when the file's attributes cannot be read or set.
bool ClearProtectingAttributes(const std::wstring& path);

// Registers `source` to replace `target` at the next restart. On success the thread's last
// error is ERROR_BUSY: the move is pending, not done.
// Both take the machine-wide edit lock.
bool ReplaceAtRestart(const std::wstring& source, const std::wstring& target);
bool DeleteAtRestart(const std::wstring& path);

// Adds "target=source" as the first line of the "[rename]" section of wininit.ini in the
// Windows folder (made when missing), both in their short (8.3) forms where the file exists
// and in the ANSI code page; the target "NUL" deletes the source. Empty names are refused.
bool WriteWininitRename(const std::wstring& target, const std::wstring& source);

// Writes `data` to a "KWV" temporary file beside `dest` (or in the temporary folder) and
// registers it to replace `dest` at the restart. Appends its outcome to `report`; on success
// the caller sets the restart flag.
bool ReplaceLockedFile(const std::wstring& dest, ByteSpan data, const DateTime& dateTime,
                       std::u16string& report);

// An empty "reboot.dat" in `installDir`, registered for deletion at the next restart.
void MarkRestartPending(std::u16string_view installDir);

}  // namespace qs
