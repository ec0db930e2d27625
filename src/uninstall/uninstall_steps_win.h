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
#include "uninstall/uninstall_key.h"
#include "uninstall/uninstall_record.h"

namespace qs {

// What one uninstallation reads and collects. The removal list it refills, the folders and
// the failure summary live in Installation(), as during an installation.
struct UninstallRun {
  std::string productName;  // as given with /u: (narrow, "|" convention)
  UniqueRegKey key;         // the registration, open for reading and writing
  UninstallKeyValues values;
  UninstallRecord record;
  std::vector<std::string> foldersToRemove;
  std::set<std::u16string> deletedFiles;  // lower-cased (LowerCasePath)
  // Uninstall.DAT as rewritten for the next run, kept in case a later step takes the file.
  std::string leftRemovalList;
  UninstallRecord leftRecord;
};

// Status text `id` on the progress page; restarts the step clock.
void ShowUninstallStatus(TextId id);
void SetUninstallProgress(int percent);
// A value of the registration that has been consumed: deleted when `text` is empty, else
// rewritten.
void RewriteKeyValue(UninstallRun& run, const wchar_t* name, const std::string& text);

// ---- Reading the record and asking ----
bool OpenRecord(UninstallRun& run);        // 1, 2: false after its message
bool LoadRecordKey(UninstallRun& run);     // 3: false after its message
bool LoadRecordFile(UninstallRun& run);    // 5: false after its message
void ConfirmUninstall(UninstallRun& run);  // 6, 7, 8: ends the run on No
void OpenUninstallProgress();              // 9

// ---- Undoing the integration ----
void RunFirstBatch(UninstallRun& run);              // 11
void UndoAssociations(UninstallRun& run);           // 12
void RemoveFonts(UninstallRun& run);                // 14
void DeleteInstallLog();                            // 16
void ReleaseProductSharedFiles(UninstallRun& run);  // 17
void RemovePackages(UninstallRun& run);             // 18, 19

// ---- Files and folders ----
void RemoveFiles(UninstallRun& run);            // 20, 21
void DropPendingOperations(UninstallRun& run);  // 22, 23
void RemoveFolders(UninstallRun& run);          // 24
void RewriteRecord(UninstallRun& run);          // 25
void RemoveStartMenuFolder(UninstallRun& run);  // 26, 27

// ---- Registry, the rest and the report ----
void RemoveRegistryEntries(UninstallRun& run);  // 28, 29, 30
void RemoveSystemEntries(UninstallRun& run);    // 31, 32, 33, 34
void FinishWhenComplete(UninstallRun& run);     // 35, 36
void CloseUninstallProgress();                  // 37, 38
bool ReportUninstall();                         // 39

}  // namespace qs
