// The middle of an uninstallation: the files and registry values of the removal list, the
// restart-time operations on them, the conditional deletions, the folders, the rewritten
// Uninstall.DAT and the Start Menu folder.
#include <windows.h>

#include <algorithm>

#include "base/file_redirection_win.h"
#include "base/registry_delete_win.h"
#include "base/registry_read_win.h"
#include "base/text.h"
#include "base/text_win.h"
#include "core/product_flags.h"
#include "core/product_win.h"
#include "core/step_timing_win.h"
#include "files/conditional_deletions_win.h"
#include "files/deferred_operations_win.h"
#include "files/file_queries_win.h"
#include "files/pending_operations_win.h"
#include "files/removal_record.h"
#include "integration/folder_tree.h"
#include "integration/integration_removal_win.h"
#include "integration/shell_folders_win.h"
#include "ui/user_interface_win.h"
#include "uninstall/uninstall_record_win.h"
#include "uninstall/uninstall_steps_win.h"

namespace qs {
namespace {

bool ShowsPaths() {
  return (Product().ProductFlags & kFlagHidePathsInProgress) == 0;
}

void ShowItem(const std::u16string& path) {
  if (!ShowsPaths()) return;
  Ui().ShowCurrentItem(AsWide(path));
  PumpMessages();
}

// "!" entries: a registry value by its full path, in the view the installer wrote it.
void DeleteListedValue(const std::u16string& path) {
  HKEY root = nullptr;
  std::wstring key;
  std::wstring valueName;
  if (SplitRegistryValuePath(std::wstring(AsWide(path)), root, key, valueName)) {
    DeleteRegistryValue(root, key, valueName, KEY_WOW64_32KEY);
  }
}

// A line of the record is carried out only for an absolute path without "." or ".." steps: a
// relative one would be taken against whatever the current folder is, and a record that lives
// in a folder users may write to must not steer the uninstaller elsewhere.
bool IsUsablePath(const std::u16string& path) {
  return IsDeletableFolderTree(path);
}

std::wstring ParentFolder(const std::wstring& folder) {
  size_t last = folder.find_last_of(L'\\');
  if (last == std::wstring::npos || last < 3) return {};
  return folder.substr(0, last);
}

}  // namespace

void RemoveFiles(UninstallRun& run) {
  MarkStep();
  SetUninstallProgress(10);
  run.removalList.clear();
  run.recordedFolders.clear();

  const std::vector<std::string>& entries = run.record.removalEntries;
  const std::u16string failurePrefix = std::u16string(AsU16(GetText(kTextCannotRemoveFile))) + u" ";
  for (size_t index = 0; index < entries.size(); ++index) {
    const std::string& line = entries[index];
    if (line.empty()) continue;
    // The marker, then the path in its stored narrow form, decoded here once.
    const char marker = line.front() == '~' || line.front() == '!' ? line.front() : 0;
    const std::u16string path = U16(std::string_view(line).substr(marker != 0 ? 1 : 0));
    if (marker == '~') {
      if (IsUsablePath(path)) run.foldersToRemove.push_back(path);
      continue;
    }
    if (marker == '!') {
      DeleteListedValue(path);
      continue;
    }
    if (!IsUsablePath(path)) continue;
    ShowItem(path);
    SetUninstallProgress(static_cast<int>(11 + 81 * index / entries.size()));
    // Gone already counts as deleted; a read-only file is deleted too.
    if (DeleteFileWithOptions(std::wstring(AsWide(path)), kDeleteMissingIsSuccess) == 0) {
      run.deletedFiles.insert(LowerCasePath(path));
    } else {
      run.failureSummary += failurePrefix + path + u"\r\n";
      RecordForRemoval(run.removalList, run.recordedFolders, path, RemovalEntry::kFile);
    }
  }
}

void DropPendingOperations(UninstallRun& run) {
  SetUninstallProgress(92);
  RemoveFromPendingOperations(run.deletedFiles, nullptr);
  RunUninstallConditionalDeletions(run.folders.installDir, [](const std::u16string&) {});
  run.record.conditionalDeletes = Product().conditionalDeletes;  // those left for a later run
  SetUninstallProgress(93);
}

void RemoveFolders(UninstallRun& run) {
  std::vector<std::u16string>& folders = run.foldersToRemove;
  std::stable_sort(
      folders.begin(), folders.end(),
      [](const std::u16string& a, const std::u16string& b) { return a.size() > b.size(); });
  const std::wstring installKey = FolderKey(AsWide(run.folders.installDir));
  for (const std::u16string& folder : folders) {
    // A system folder is never removed, even an empty one the record names.
    if (IsOrHoldsSystemFolder(std::wstring(AsWide(folder)))) continue;
    ShowItem(folder);
    // The folder, then each parent it leaves empty, up to the installation folder, which the
    // self-removal batch takes once the uninstaller has gone. Outside the installation folder
    // only the recorded folder goes: its parents were there before (a Start Menu, a desktop).
    std::wstring current(AsWide(folder));
    for (int level = 0; level < 50 && !current.empty(); ++level) {
      if (FolderKey(current) == installKey) break;
      if (level > 0 && !HoldsFolder(AsU16(installKey), AsU16(FolderKey(current)))) break;
      if (::RemoveDirectoryW(Redirected(current)) == FALSE) {
        // A folder that still holds a file the run could not delete stays in the record, so
        // that the next run, which deletes the file, removes the folder as well.
        if (level == 0 && ::GetFileAttributesW(Redirected(current)) != INVALID_FILE_ATTRIBUTES) {
          RecordForRemoval(run.removalList, run.recordedFolders, folder, RemovalEntry::kFolder);
        }
        break;
      }
      current = ParentFolder(current);
    }
  }
}

void RewriteRecord(UninstallRun& run) {
  // What is left to undo: the sections the steps after this one consume, the packages that
  // could not be removed and what the next run needs to ask and close. The associations are
  // done.
  UninstallRecord left = run.record;
  left.removalEntries.clear();
  left.associations.clear();
  // With its new digest: the next run must accept what this one leaves.
  SaveUninstallData(run.key.Get(), run.folders.uninstallDir, run.removalList, left,
                    run.failureSummary);
  run.leftRemovalList = std::move(run.removalList);
  run.leftRecord = std::move(left);
  run.removalList.clear();
  run.recordedFolders.clear();
}

void RemoveStartMenuFolder(UninstallRun& run) {
  const std::u16string& menu = run.values.productStartMenu;
  // Without a folder of its own the product has nothing here: the Programs folder itself is
  // never removed.
  if (!menu.empty()) {
    std::wstring programs = run.values.shortcutMode == 1 ? SMProgramsAllDir() : SMProgramsDir();
    if (!programs.empty()) {
      const std::wstring programsKey = FolderKey(programs);
      std::wstring current = programs + L"\\" + std::wstring(AsWide(menu));
      for (int level = 0; level < 20 && !current.empty(); ++level) {
        if (FolderKey(current) == programsKey) break;
        if (::RemoveDirectoryW(Redirected(current)) == FALSE) break;
        current = ParentFolder(current);
      }
    }
  }
  WaitStepFor(600);
  ShowUninstallStatus(kTextRemovingRegistryEntries);
  SetUninstallProgress(95);
}

}  // namespace qs
