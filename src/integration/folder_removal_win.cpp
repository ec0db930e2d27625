// A folder deleted with everything in it, for products that ask for their installation folder
// to go completely.
#include <windows.h>

#include <string>
#include <vector>

#include "base/file_redirection_win.h"
#include "base/handle_win.h"
#include "base/text_win.h"
#include "files/pending_operations_win.h"
#include "integration/folder_tree.h"
#include "integration/integration_removal_win.h"
#include "integration/path_variables_win.h"
#include "integration/shell_folders_win.h"

namespace qs {
namespace {

std::wstring WithoutTrailingSeparators(std::wstring path) {
  while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  return path;
}

}  // namespace

bool IsOrHoldsSystemFolder(const std::wstring& folder) {
  const std::wstring candidates[] = {
      WinDir(),
      SystemDir(),
      ProgramsDir(),
      CommonDir(),
      DesktopDir(),
      DesktopAllDir(),
      DocumentDir(),
      DocumentAllDir(),
      AppDataDir(),
      AppDataAllDir(),
      StartMenuDir(),
      StartMenuAllDir(),
      SMProgramsDir(),
      SMProgramsAllDir(),
      StartupDir(),
      StartupAllDir(),
      FontDir(),
      TempDir(),
      ExpandEnvironment(L"%USERPROFILE%"),
      ExpandEnvironment(L"%ProgramW6432%"),
      ExpandEnvironment(L"%ProgramFiles%"),
  };
  const std::u16string wanted = LowerCasePath(AsU16(folder));
  for (const std::wstring& candidate : candidates) {
    if (candidate.empty() || candidate.find(L'%') != std::wstring::npos) continue;
    if (HoldsFolder(wanted, LowerCasePath(AsU16(candidate)))) return true;
  }
  return false;
}

namespace {

// The "\\?\" form, which is not limited to MAX_PATH characters.
std::wstring LongPath(std::wstring path) {
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  if (path.rfind(L"\\\\?\\", 0) == 0) return path;
  if (path.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + path.substr(2);
  return L"\\\\?\\" + path;
}

void ClearReadOnly(const std::wstring& path, DWORD attributes) {
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    ::SetFileAttributesW(Redirected(path), attributes & ~FILE_ATTRIBUTE_READONLY);
  }
}

// Deletes the files of `folder` and of every folder below it, and returns those folders,
// parents before children. A link to a folder elsewhere (a junction or a symbolic link) is
// removed as a link; what it points to is not entered.
std::vector<std::wstring> DeleteFiles(const std::wstring& root) {
  std::vector<std::wstring> folders{root};
  for (size_t i = 0; i < folders.size(); ++i) {
    const std::wstring folder = folders[i];
    WIN32_FIND_DATAW found;
    UniqueFindHandle find(::FindFirstFileW(Redirected(folder + L"\\*"), &found));
    if (!find) continue;
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      const DWORD attributes = found.dwFileAttributes;
      ClearReadOnly(path, attributes);
      if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::DeleteFileW(Redirected(path));
      } else if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        ::RemoveDirectoryW(Redirected(path));
      } else {
        folders.push_back(path);
      }
    } while (::FindNextFileW(find.Get(), &found));
  }
  return folders;
}

}  // namespace

bool DeleteFolderTree(const std::wstring& folder) {
  const std::wstring trimmed = WithoutTrailingSeparators(folder);
  if (!IsDeletableFolderTree(AsU16(trimmed)) || IsOrHoldsSystemFolder(trimmed)) return false;
  const std::wstring root = LongPath(trimmed);
  const DWORD attributes = ::GetFileAttributesW(Redirected(root));
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return ::GetLastError() == ERROR_FILE_NOT_FOUND || ::GetLastError() == ERROR_PATH_NOT_FOUND;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  // A folder that is itself a link goes as a link.
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    ClearReadOnly(root, attributes);
    return ::RemoveDirectoryW(Redirected(root)) != FALSE;
  }
  std::vector<std::wstring> folders = DeleteFiles(root);
  for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
    ClearReadOnly(*it, ::GetFileAttributesW(Redirected(*it)));
    ::RemoveDirectoryW(Redirected(*it));
  }
  return ::GetFileAttributesW(Redirected(root)) == INVALID_FILE_ATTRIBUTES;
}

}  // namespace qs
