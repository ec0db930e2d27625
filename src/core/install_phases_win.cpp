// The phases that later work fills in. Until then each does the least that keeps the sequence
// honest: the file loop checks every entry and resolves its place, the others do nothing and
// report nothing.
#include "core/install_phases_win.h"

#include "base/fatal.h"
#include "base/text_win.h"
#include "core/install_rules.h"
#include "core/payload_entry.h"
#include "core/payload_format.h"
#include "core/product_win.h"
#include "core/target_path.h"
#include "ui/user_interface_win.h"

namespace qs {

void CreateBackgroundWindow() {}
void LayOutBackgroundWindow() {}
void CloseRunningApplications() {}
void RunProductBatch(BatchIndex, const std::string&) {}
void OpenInstallLog(InstallRun&) {}
void WriteInstallLogFile(InstallRun&) {}

bool CreateRestorePoint(const std::wstring&, DWORD& error) {
  error = ERROR_CALL_NOT_IMPLEMENTED;
  return false;
}

bool CommitRestorePoint() {
  return false;
}

bool GrantDirectoryRights(const std::string&, DWORD& error) {
  error = ERROR_CALL_NOT_IMPLEMENTED;
  return false;
}

void RunConditionalDeletions(InstallRun&) {}

void InstallPayloadEntries(PayloadContext& payload, InstallRun&) {
  const PayloadHeader& header = payload.header;
  const int32_t count = header.entryCount;
  QS_CHECK(header.contentSizes.size() == static_cast<size_t>(count));
  FileDataReader reader(payload.fileDataArea.bytes, header,
                        (Product().ProductFlags & kFlagCompressedBlocks) != 0);
  const TargetFolders folders;
  const PathExpander keepAsWritten = [](std::string_view text) { return std::string(text); };

  for (int32_t i = 0; i < count; ++i) {
    Ui().SetProgress(FileProgressPosition(i, count));
    ByteSpan record;
    int result = reader.NextEntry(record);
    if (result != 0) ReportCorrupt(result);
    PayloadEntry entry;
    result = ParsePayloadEntry(record, header.contentSizes[static_cast<size_t>(i)], entry);
    if (result != 0) ReportCorrupt(result);
    std::string storedName = entry.name;
    TargetPath target;
    result = ResolveTargetPath(entry, folders, keepAsWritten, target);
    if (result != 0) ReportCorrupt(result);
    Ui().ShowCurrentItem(Widen(storedName));
  }
}

void UpdateSharedFileCounts(InstallRun&) {}
void RegisterComponents(InstallRun&) {}
void InstallDrivers(InstallRun&) {}
void CreateShortcuts(InstallRun&) {}
void WriteRegistryEntries(InstallRun&) {}
void CreateFileAssociations(InstallRun&) {}
void AddFirewallExceptions(InstallRun&) {}
void AddToSearchPath(InstallRun&) {}
void WriteUninstaller(const PayloadContext&, InstallRun&) {}

bool WriteUninstallRegistration(InstallRun&, DWORD& error) {
  error = 0;
  return true;
}

void WriteSavedRegistryValues(InstallRun&) {}

bool WriteUninstallRecord(InstallRun&) {
  return true;
}

}  // namespace qs
