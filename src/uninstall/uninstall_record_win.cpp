#include "uninstall/uninstall_record_win.h"

#include <windows.h>

#include <string>
#include <utility>

#include "base/fatal.h"
#include "base/file_redirection_win.h"
#include "base/file_win.h"
#include "base/handle_win.h"
#include "base/system_error_win.h"
#include "base/text_win.h"
#include "core/product_win.h"
#include "core/target_path.h"
#include "ui/messages_win.h"
#include "uninstall/record_digest_win.h"

namespace qs {
namespace {

// Far beyond any real record; keeps a damaged or foreign file from taking the address space
// that reading and parsing it would need in a 32-bit process.
constexpr uint64_t kRecordSizeLimit = 16u * 1024 * 1024;

// Writes `bytes` to a new file beside `target` and moves it over `target`, so that a failed
// write never leaves a shortened record behind: the old one stays until the new one is whole.
// 0 or the system error.
DWORD ReplaceWholeFile(const std::wstring& target, std::string_view bytes) {
  const std::wstring temporary = target + L"." + std::to_wstring(::GetCurrentProcessId()) + L".tmp";
  {
    UniqueFileHandle file(::CreateFileW(Redirected(temporary), GENERIC_WRITE, 0, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return ::GetLastError();
    DWORD error = WriteAllBytes(
        file.Get(), ByteSpan(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    if (error == 0 && !::FlushFileBuffers(file.Get())) error = ::GetLastError();
    if (error != 0) {
      file.Reset();
      ::DeleteFileW(Redirected(temporary));
      return error;
    }
  }
  if (!::MoveFileExW(Redirected(temporary), Redirected(target),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = ::GetLastError();
    ::DeleteFileW(Redirected(temporary));
    return error != 0 ? error : ERROR_WRITE_FAULT;
  }
  return 0;
}

// 0 or the system error.
DWORD ReadRecordFile(const std::wstring& path, std::string& bytes) {
  InputFile file;
  if (!file.Open(path)) return file.LastError();
  if (file.Size() > kRecordSizeLimit) return ERROR_FILE_TOO_LARGE;
  bytes.resize(static_cast<size_t>(file.Size()));
  if (!bytes.empty() && !file.ReadAt(0, bytes.data(), bytes.size())) return file.LastError();
  return 0;
}

// Writes the record's bytes; a failure goes to `failureSummary`.
bool WriteRecordBytes(std::u16string_view folder, std::string_view bytes,
                      std::u16string& failureSummary) {
  const std::u16string path = JoinPath(folder, kUninstallRecordName);
  const DWORD error = ReplaceWholeFile(std::wstring(AsWide(path)), bytes);
  if (error == 0) return true;
  // The record does not keep this text, so the uninstaller's rewrite has only its own words.
  std::u16string prefix(AsU16(GetText(kTextCannotWriteFile)));
  if (prefix.empty()) prefix = u"Could not write";
  failureSummary += prefix + u" " + path + u"\r\n" + SystemErrorU16(error) + u"\r\n\r\n";
  return false;
}

// Reads the record's bytes; on failure the message naming `displayName` is shown.
bool ReadRecordBytes(std::u16string_view folder, std::u16string_view displayName,
                     std::string& bytes) {
  const std::wstring path(AsWide(JoinPath(folder, kUninstallRecordName)));
  const DWORD error = ReadRecordFile(path, bytes);
  if (error == 0) return true;
  ShowError(L"The uninstall information for " + std::wstring(AsWide(displayName)) +
            L" could not be loaded.\r\n\r\nFilepath: " + path + L"\r\nCode " +
            std::to_wstring(static_cast<int32_t>(error)) + L": " + SystemErrorTextWide(error));
  return false;
}

}  // namespace

bool SaveUninstallData(HKEY registration, std::u16string_view folder, std::string_view removalList,
                       const UninstallRecord& record, std::u16string& failureSummary) {
  const std::string bytes = FormatUninstallRecord(removalList, record);
  // A record that could not be written leaves the earlier one in place, which its digest
  // still describes.
  if (!WriteRecordBytes(folder, bytes, failureSummary)) return false;
  if (registration != nullptr) StoreRecordDigest(registration, bytes);
  return true;
}

UninstallRecord InstallationRecord(const InstallRun& run) {
  const ProductSettings& product = Product();
  UninstallRecord record;

  std::string_view list = run.removalList;
  while (!list.empty()) {
    const size_t end = list.find("\r\n");
    const std::string_view entry = list.substr(0, end);
    if (!entry.empty()) record.removalEntries.emplace_back(entry);
    list.remove_prefix(end == std::string_view::npos ? list.size() : end + 2);
  }

  for (TextId number : kUninstallTextNumbers) {
    record.texts[number] = RecordTextUtf8(AsU16(GetText(number)));
  }
  record.texts[kTextRecordDialogCaption] = RecordTextUtf8(product.dialogCaption);
  record.autoClose = product.autoCloseEntries;
  for (const std::string& line : run.associationLines) {
    RecordedAssociation association;
    if (SplitAssociationLine(line, association)) record.associations.push_back(association);
  }
  record.firewallLines = run.firewallLines;
  record.infLines = run.infLines;
  record.msiLines = run.msiLines;
  record.registryLines = run.appletLines;
  record.registry2Text = product.registryText;
  record.conditionalDeletes = product.conditionalDeletes;  // the writer keeps the uninstall ones
  return record;
}

bool LoadUninstallData(HKEY registration, std::u16string_view folder,
                       std::u16string_view displayName, UninstallRecord& record) {
  std::string bytes;
  if (!ReadRecordBytes(folder, displayName, bytes)) return false;
  // The bytes checked are the bytes parsed: the file is read once, so it cannot be swapped
  // between the check and its use.
  if (registration != nullptr &&
      CheckRecordDigest(StoredRecordDigest(registration), RecordDigestOf(bytes)) ==
          RecordDigestCheck::kDiffers) {
    FatalError(
        "%s", ToBarNarrow(RecordChangedRefusal(displayName, JoinPath(folder, kUninstallRecordName)))
                  .c_str());
  }
  record = ParseUninstallRecord(bytes);
  return true;
}

}  // namespace qs
