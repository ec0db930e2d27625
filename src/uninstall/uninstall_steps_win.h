#pragma once
// The steps of an uninstallation, in the files that hold them: reading the record and asking
// (uninstall_start_win.cpp), undoing the integration (uninstall_undo_win.cpp), removing the
// files and folders (uninstall_files_win.cpp) and the registry, the end and the report
// (uninstall_end_win.cpp). Uninstall calls them in order.
#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "base/handle_win.h"
#include "core/run_folders.h"
#include "uninstall/uninstall_key.h"
#include "uninstall/uninstall_record.h"

namespace qs {

// What one uninstallation reads and collects.
struct UninstallRun {
  std::u16string productName;  // as given with /u:
  UniqueRegKey key;            // the registration, open for reading and writing
  UninstallKeyValues values;
  UninstallRecord record;
  // From the registration; the path variables name them while the run is under way
  // (oldVersion stays empty).
  RunFolders folders;
  bool redirectionDisabled = false;  // file-system redirection is off for a 64-bit product

  std::vector<std::u16string> foldersToRemove;
  std::set<std::u16string> deletedFiles;  // lower-cased (LowerCasePath)
  // What could not be removed and is listed again for the next run, as the installer lists it
  // (files/removal_record.h).
  std::string removalList;  // in the form Uninstall.DAT stores
  std::set<std::u16string> recordedFolders;
  // Uninstall.DAT as rewritten for the next run, kept in case a later step takes the file.
  std::string leftRemovalList;
  UninstallRecord leftRecord;
  std::u16string failureSummary;  // not empty: the uninstallation is incomplete
};

// Status text `id` on the progress page; restarts the step clock.
void ShowUninstallStatus(TextId id);
void SetUninstallProgress(int percent);
// A value of the registration that has been consumed: deleted when `text` is empty, else
// rewritten.
void RewriteKeyValue(UninstallRun& run, const wchar_t* name, const std::string& text);

// ---- Reading the record and asking ----
bool OpenRecord(UninstallRun& run);        // false after its message
bool LoadRecordKey(UninstallRun& run);     // false after its message
bool LoadRecordFile(UninstallRun& run);    // false after its message
void ConfirmUninstall(UninstallRun& run);  // ends the run on No
void OpenUninstallProgress();
// The record's lines that reach beyond the product are taken out and reported before any step
// carries them out (uninstall_checks_win.cpp).
void SetAsideUntrustedLines(UninstallRun& run);

// ---- Undoing the integration ----
void RunFirstBatch(UninstallRun& run);
void UndoAssociations(UninstallRun& run);
void RemoveFonts(UninstallRun& run);
void DeleteInstallLog(const UninstallRun& run);
void ReleaseProductSharedFiles(UninstallRun& run);
void RemovePackages(UninstallRun& run);

// ---- Files and folders ----
void RemoveFiles(UninstallRun& run);
void DropPendingOperations(UninstallRun& run);
void RemoveFolders(UninstallRun& run);
void RewriteRecord(UninstallRun& run);
void RemoveStartMenuFolder(UninstallRun& run);

// ---- Registry, the rest and the report ----
void RemoveRegistryEntries(UninstallRun& run);
void RemoveSystemEntries(UninstallRun& run);
void FinishWhenComplete(UninstallRun& run);
void CloseUninstallProgress(UninstallRun& run);
bool ReportUninstall(const UninstallRun& run);

}  // namespace qs
