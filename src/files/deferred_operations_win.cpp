#include "files/deferred_operations_win.h"

#include <aclapi.h>
#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "base/file_redirection_win.h"
#include "base/file_win.h"
#include "base/handle_win.h"
#include "base/system_edit_lock_win.h"
#include "base/system_error_win.h"
#include "base/system_library_win.h"
#include "base/text_win.h"
#include "core/directory_checks_win.h"
#include "files/file_queries_win.h"
#include "files/os_name_win.h"
#include "files/wininit_text.h"
#include "integration/path_variables.h"
#include "integration/shell_folders_win.h"

namespace qs {
namespace {

constexpr DWORD kProtectingAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
// The largest wininit.ini read back; the file holds a few lines.
constexpr uint64_t kWininitLimit = 16u << 20;

bool IsNtFamily() {
  return RunningSystem().platform == OsPlatform::kWindowsNt;
}

bool IsSlash(wchar_t c) {
  return c == L'\\' || c == L'/';
}

// The folder part of `path` without its last backslash; empty when there is none. A drive's
// root keeps its backslash: "C:" alone names the drive's current folder.
std::wstring FolderOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return {};
  return path.substr(0, slash == 2 && path[1] == L':' ? 3 : slash);
}

std::wstring NameOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
  return std::wstring(AsWide(JoinFolder(AsU16(folder), AsU16(name))));
}

bool IsAbsolute(const std::wstring& path) {
  return (path.size() >= 2 && path[1] == L':') || (!path.empty() && IsSlash(path[0]));
}

// The 8.3 form when the system has one (the file must exist), else the path as given. A path
// that redirection moves stays as given: the short form of where it leads would be redirected
// a second time when it is used.
std::wstring ShortPath(const std::wstring& path) {
  if (FileSystemPath(path) != path) return path;
  std::wstring out(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD length =
        ::GetShortPathNameW(path.c_str(), out.data(), static_cast<DWORD>(out.size()));
    if (length == 0) return path;
    if (length < out.size()) {
      out.resize(length);
      return out;
    }
    out.resize(length);
  }
  return path;
}

// The NT family falls back on wininit.ini only where the system still carries the program that
// reads it.
bool WininitProgramExists() {
  const std::wstring windows = WinDir();
  if (windows.empty()) return false;
  return ::GetFileAttributesW(Redirected(Join(windows, L"wininit.exe"))) != INVALID_FILE_ATTRIBUTES;
}

bool WriteAll(HANDLE file, ByteSpan data) {
  const DWORD error = WriteAllBytes(file, data);
  if (error != 0) ::SetLastError(error);
  return error == 0;
}

// The shell's delete with undo: the file goes to the Recycle Bin. 0 or an error code (the
// shell's own codes pass through unchanged).
DWORD RecycleFile(const std::wstring& path) {
  using ShFileOperation = int(WINAPI*)(SHFILEOPSTRUCTW*);
  const UniqueModule shell = LoadSystemLibrary(L"shell32.dll");
  if (!shell) return ::GetLastError();
  const auto operation = LibraryFunction<ShFileOperation>(shell, "SHFileOperationW");
  if (!operation) return ERROR_PROC_NOT_FOUND;

  // The shell wants a full path, ended by two zeros.
  std::wstring from(MAX_PATH, L'\0');
  const DWORD length =
      ::GetFullPathNameW(Redirected(path), static_cast<DWORD>(from.size()), from.data(), nullptr);
  if (length == 0 || length >= from.size())
    return length == 0 ? ::GetLastError() : ERROR_FILENAME_EXCED_RANGE;
  from.resize(length);
  from.push_back(L'\0');

  SHFILEOPSTRUCTW request{};
  request.wFunc = FO_DELETE;
  request.pFrom = from.c_str();
  request.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
  const int result = operation(&request);
  if (result != 0) return static_cast<DWORD>(result);
  return request.fAnyOperationsAborted ? ERROR_CANCELLED : 0;
}

// The world identity may read and run the prepared file. The file moves over the destination
// with its access list, and a copy made in the temporary folder would otherwise carry the
// private rights of the user who ran the installer. Write access is not granted: the file may
// end up in the system folder, where a file everyone can change lets anyone take over what
// loads it.
void GrantEveryoneReadAccess(const std::wstring& path) {
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  if (!::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) {
    return;
  }
  PACL oldAcl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  std::wstring name = FileSystemPath(path);  // the call takes a mutable name
  if (::GetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &oldAcl, nullptr, &descriptor) == ERROR_SUCCESS) {
    EXPLICIT_ACCESSW access{};
    access.grfAccessPermissions = GENERIC_READ | GENERIC_EXECUTE;
    access.grfAccessMode = GRANT_ACCESS;
    access.grfInheritance = NO_INHERITANCE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    access.Trustee.ptstrName = static_cast<LPWSTR>(everyone);
    PACL newAcl = nullptr;
    if (::SetEntriesInAclW(1, &access, oldAcl, &newAcl) == ERROR_SUCCESS) {
      ::SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, newAcl, nullptr);
      ::LocalFree(newAcl);
    }
    ::LocalFree(descriptor);
  }
  ::FreeSid(everyone);
}

// A new empty "KWV....tmp" in `folder`; empty when the system could not make one.
std::wstring MakeTemporaryFile(const std::wstring& folder) {
  if (folder.empty()) return {};
  return NewTemporaryFile(folder, L"KWV");
}

bool IsMissingError(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

DWORD Finish(DWORD error) {
  ::SetLastError(error);
  return error;
}

// Held open elsewhere without the sharing we ask for.
bool IsInUse(const std::wstring& path) {
  UniqueFileHandle file(::CreateFileW(Redirected(path), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  return !file && ::GetLastError() == ERROR_SHARING_VIOLATION;
}

DWORD DeleteNow(const std::wstring& path, uint32_t options) {
  if (options & kDeleteToRecycleBin) {
    // The shell's codes for a missing file differ between versions; ask the file system.
    if (::GetFileAttributesW(Redirected(path)) == INVALID_FILE_ATTRIBUTES) return ::GetLastError();
    return RecycleFile(path);
  }
  if (::DeleteFileW(Redirected(path))) return 0;
  const DWORD error = ::GetLastError();
  return error != 0 ? error : ERROR_ACCESS_DENIED;
}

}  // namespace

bool ClearProtectingAttributes(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(Redirected(path));
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if ((attributes & kProtectingAttributes) == 0) return true;
  DWORD cleared = attributes & ~kProtectingAttributes;
  if (cleared == 0) cleared = FILE_ATTRIBUTE_NORMAL;
  return ::SetFileAttributesW(Redirected(path), cleared) != FALSE;
}

DWORD DeleteFileWithOptions(const std::wstring& path, uint32_t options) {
  DWORD error = 0;
  if (options & kDeleteOnlyIfEmpty) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(Redirected(path), GetFileExInfoStandard, &data)) {
      error = ::GetLastError();
    } else if (data.nFileSizeLow != 0 || data.nFileSizeHigh != 0) {
      return Finish(ERROR_DIR_NOT_EMPTY);
    }
  }
  if (error == 0) {
    if (!(options & kDeleteKeepAttributes)) ClearProtectingAttributes(path);
    if (options & kDeleteAtRestart) {
      error = DeleteAtRestart(path) ? 0 : ::GetLastError();
    } else {
      error = DeleteNow(path, options);
      if (error != 0 && !IsMissingError(error) && (options & kDeleteAtRestartOnFailure)) {
        error = DeleteAtRestart(path) ? 0 : ::GetLastError();
      }
    }
  }
  if (IsMissingError(error) && (options & kDeleteMissingIsSuccess)) error = 0;
  return Finish(error);
}

DWORD MoveFileWithOptions(const std::wstring& source, std::wstring target, uint32_t options) {
  if ((options & kMoveTargetRelativeToSource) && !IsAbsolute(target)) {
    target = Join(FolderOf(source), target);
  }
  if (options & kMoveIntoFolder) target = Join(target, NameOf(source));

  const DWORD attributes = ::GetFileAttributesW(Redirected(target));
  const bool targetExists = attributes != INVALID_FILE_ATTRIBUTES;
  if ((options & kMoveTargetMustExist) && !targetExists) return Finish(ERROR_FILE_NOT_FOUND);
  if ((options & kMoveTargetMustNotExist) && targetExists) return Finish(ERROR_FILE_EXISTS);
  if ((options & kMoveRefuseReadOnlyTarget) && targetExists &&
      (attributes & FILE_ATTRIBUTE_READONLY)) {
    return Finish(ERROR_ACCESS_DENIED);
  }
  if (options & kMoveCreateFolders) {
    const std::wstring folder = FolderOf(target);
    std::vector<std::wstring> created;
    if (!folder.empty() && !IsExistingDirectory(folder)) {
      if (const DWORD error = CreateDirectoryTree(folder, created)) return Finish(error);
    }
  }
  if (options & kMoveAtRestart) {
    // ERROR_BUSY stays the last error: the move is pending.
    return ReplaceAtRestart(source, target) ? 0 : Finish(::GetLastError());
  }

  // A target that must exist is replaced by the move itself, so that it is not lost when the
  // move fails; any other existing target is deleted first.
  DWORD flags = MOVEFILE_COPY_ALLOWED;
  if (options & kMoveTargetMustExist) {
    flags |= MOVEFILE_REPLACE_EXISTING;
  } else if (targetExists) {
    ClearProtectingAttributes(target);
    ::DeleteFileW(Redirected(target));
  }
  if (::MoveFileExW(Redirected(source), Redirected(target), flags)) return Finish(0);
  DWORD error = ::GetLastError();
  if (error == 0) error = ERROR_ACCESS_DENIED;
  if (targetExists && IsInUse(target)) error = ERROR_SHARING_VIOLATION;
  return Finish(error);
}

bool ReplaceAtRestart(const std::wstring& source, const std::wstring& target) {
  const SystemEditLock lock;
  if (IsNtFamily()) {
    if (::MoveFileExW(Redirected(source), Redirected(target),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT)) {
      ::SetLastError(ERROR_BUSY);
      return true;
    }
    const DWORD error = ::GetLastError();
    if (!WininitProgramExists()) {
      ::SetLastError(error);
      return false;
    }
  }
  if (!WriteWininitRename(target, source)) return false;
  ::SetLastError(ERROR_BUSY);
  return true;
}

bool DeleteAtRestart(const std::wstring& path) {
  const SystemEditLock lock;
  if (IsNtFamily()) {
    if (::MoveFileExW(Redirected(path), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return true;
    const DWORD error = ::GetLastError();
    if (!WininitProgramExists()) {
      ::SetLastError(error);
      return false;
    }
  }
  return WriteWininitRename(std::wstring(L"NUL"), path);
}

bool WriteWininitRename(const std::wstring& target, const std::wstring& source) {
  // Let whatever just closed the files finish before the paths are looked up.
  ::Sleep(0);
  if (target.empty() || source.empty()) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  const std::wstring windows = WinDir();
  if (windows.empty()) return false;
  const std::wstring iniPath = Join(windows, L"wininit.ini");

  // wininit.ini is read by a program of the ANSI code page, in short names.
  const std::string name = WideToAnsi(target == L"NUL" ? target : ShortPath(target));
  const std::string value = WideToAnsi(ShortPath(source));

  UniqueFileHandle file(::CreateFileW(Redirected(iniPath), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.Get(), &size)) return false;
  if (static_cast<uint64_t>(size.QuadPart) > kWininitLimit) {
    ::SetLastError(ERROR_FILE_TOO_LARGE);
    return false;
  }
  std::string text(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!text.empty() &&
      (!::ReadFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &read, nullptr) ||
       read != text.size())) {
    return false;
  }
  const std::string edited = AddWininitRename(text, name, value);
  if (::SetFilePointer(file.Get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
    return false;
  }
  const auto* bytes = reinterpret_cast<const uint8_t*>(edited.data());
  return WriteAll(file.Get(), ByteSpan(bytes, edited.size())) &&
         ::SetEndOfFile(file.Get()) != FALSE;
}

bool ReplaceLockedFile(const std::wstring& destination, ByteSpan data, const DateTime& dateTime,
                       std::u16string& report) {
  const std::u16string_view dest = AsU16(destination);
  const auto noTemporaryFile = [&](DWORD error) {
    report += u"Failed to register '" + std::u16string(dest) +
              u"' for replacement because no temporary file could be created.\r\n" +
              SystemErrorU16(error) + u"\r\n\r\n";
    return false;
  };

  std::wstring temporary = MakeTemporaryFile(FolderOf(destination));
  if (temporary.empty()) temporary = MakeTemporaryFile(TempDir());
  if (temporary.empty()) return noTemporaryFile(::GetLastError());

  {
    UniqueFileHandle file(::CreateFileW(Redirected(temporary), GENERIC_WRITE, 0, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || !WriteAll(file.Get(), data)) {
      const DWORD error = ::GetLastError();
      file.Reset();
      ::DeleteFileW(Redirected(temporary));
      return noTemporaryFile(error);
    }
  }
  ClearProtectingAttributes(temporary);
  GrantEveryoneReadAccess(temporary);
  if (dateTime.IsComplete()) SetFileTimes(temporary, dateTime);

  const std::wstring shortTemporary = ShortPath(temporary);
  ::Sleep(0);
  const std::u16string_view temporaryText = AsU16(temporary);
  if (ReplaceAtRestart(shortTemporary, destination)) {
    report += u"\"" + std::u16string(dest) +
              u"\" was successfully registered for replacement.\r\nTemporary file is \"" +
              std::u16string(temporaryText) + u"\"\r\nReboot will be required.\r\n\r\n";
    ::SetLastError(ERROR_BUSY);
    return true;
  }
  const DWORD error = ::GetLastError();
  report += u"Failed to register '" + std::u16string(dest) +
            u"' for replacement with temporary file '" + std::u16string(temporaryText) + u"'\r\n" +
            SystemErrorU16(error) + u"\r\n\r\n";
  ::DeleteFileW(Redirected(temporary));
  ::SetLastError(error);
  return false;
}

void MarkRestartPending(std::u16string_view installDir) {
  const std::wstring path = Join(std::wstring(AsWide(installDir)), L"reboot.dat");
  UniqueFileHandle file(::CreateFileW(Redirected(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  file.Reset();
  DeleteAtRestart(path);
}

}  // namespace qs
