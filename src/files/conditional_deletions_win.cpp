#include "files/conditional_deletions_win.h"

#include <windows.h>

#include <vector>

#include "base/date_time.h"
#include "base/file_redirection_win.h"
#include "base/handle_win.h"
#include "base/system_error_win.h"
#include "base/text_win.h"
#include "core/payload_format.h"
#include "core/payload_startup_win.h"
#include "core/product_flags.h"
#include "core/product_win.h"
#include "files/deferred_operations_win.h"
#include "files/deletion_conditions.h"
#include "files/file_queries_win.h"
#include "files/file_specification_win.h"

namespace qs {
namespace {

// One pass over the product's conditional deletes. Installing (with `run`), it logs there;
// uninstalling, it tells `onDeleted` instead.
struct DeletionPass {
  InstallRun* run = nullptr;
  const std::function<void(const std::u16string&)>* onDeleted = nullptr;

  bool Installing() const { return run != nullptr; }
  void Log(std::u16string_view text) const {
    if (Installing()) run->installLog += text;
  }
  void Deleted(const std::u16string& path) const {
    if (!Installing() && *onDeleted) (*onDeleted)(path);
  }
};

struct FileDetails {
  uint64_t size = 0;
  DateTime lastWrite;  // UTC
};

// The file's size and last-write time from its folder listing; false when it is gone (or is a
// folder by now).
bool ReadFileDetails(const std::wstring& path, FileDetails& details) {
  WIN32_FIND_DATAW data;
  UniqueFindHandle find(::FindFirstFileW(Redirected(path), &data));
  if (!find || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
  details.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  SYSTEMTIME time;
  if (!::FileTimeToSystemTime(&data.ftLastWriteTime, &time)) return false;
  details.lastWrite = DateTimeFromSystemTime(time);
  return true;
}

// Deletes one file that passed its condition, now or at the next restart as `mode` says. True
// when it is gone or registered to go.
bool DeleteMatchingFile(const DeletionPass& pass, const std::u16string& path, uint8_t mode) {
  const std::wstring widePath(AsWide(path));
  ClearProtectingAttributes(widePath);
  const bool atRestart = (mode & kDeleteModeAtRestart) != 0;
  DWORD error = 0;
  if (!atRestart) {
    if (::DeleteFileW(Redirected(widePath))) {
      pass.Log(u"Deleted file: " + path + u"\r\n");
      pass.Deleted(path);
      return true;
    }
    error = ::GetLastError();
    if ((mode & kDeleteModeAtRestartOnFailure) == 0) {
      pass.Log(u"Failed to delete file \"" + path + u"\": " + SystemErrorU16(error) + u"\r\n");
      return false;
    }
  }
  pass.Log(u"File \"" + path + u"\" will be deleted after rebooting" +
           (atRestart ? std::u16string(u".") : u": " + SystemErrorU16(error)) + u"\r\n");

  if (!DeleteAtRestart(widePath)) {
    if (pass.Installing()) {
      pass.run->failureSummary += u"Failed to register \"" + path + u"\" for deletion: " +
                                  SystemErrorU16(::GetLastError()) + u"\r\n";
    }
    return false;
  }
  Product().ProductFlags |=
      pass.Installing() ? kFlagRestartRequired : kFlagUninstallRestartRequired;
  pass.Deleted(path);
  return true;
}

void RunConditionalDeletions(const DeletionPass& pass, std::u16string_view installDir) {
  const uint8_t passBit = pass.Installing() ? kDeleteModeInstall : kDeleteModeUninstall;
  // A copy, so that the walk stays sound whatever `onDeleted` does to the product's settings.
  const std::vector<FileDeletion> deletions = Product().conditionalDeletes;
  // Uninstalling, the entries that deleted nothing, for the record the uninstaller rewrites.
  std::vector<FileDeletion> left;
  bool anyMatched = false;
  for (const FileDeletion& deletion : deletions) {
    if ((deletion.mode & passBit) == 0) {
      left.push_back(deletion);
      continue;
    }
    bool carriedOut = false;
    std::vector<std::u16string> files;
    ExpandFileSpecification(deletion.file_spec, files, installDir);
    for (const std::u16string& path : files) {
      FileDetails details;
      if (!ReadFileDetails(std::wstring(AsWide(path)), details)) continue;
      switch (TestDeletionCondition(deletion.condition, deletion.condition_argument, details.size,
                                    details.lastWrite)) {
        case DeletionVerdict::kBadArgument:
          ReportCorrupt(kErrorConditionArgument);
        case DeletionVerdict::kKeep:
          continue;
        case DeletionVerdict::kDelete:
          break;
      }
      anyMatched = true;
      if (DeleteMatchingFile(pass, path, deletion.mode)) carriedOut = true;
    }
    if (!carriedOut) left.push_back(deletion);
  }
  if (anyMatched) pass.Log(u"\r\n");
  if (!pass.Installing()) Product().conditionalDeletes = std::move(left);
}

}  // namespace

void RunInstallConditionalDeletions(InstallRun& run) {
  RunConditionalDeletions({.run = &run}, run.installDir);
}

void RunUninstallConditionalDeletions(std::u16string_view installDir,
                                      const std::function<void(const std::u16string&)>& onDeleted) {
  RunConditionalDeletions({.onDeleted = &onDeleted}, installDir);
}

}  // namespace qs
