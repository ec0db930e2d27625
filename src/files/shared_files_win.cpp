#include "files/shared_files_win.h"

#include "base/file_redirection_win.h"
#include "base/handle_win.h"
#include "base/registry_view_win.h"
#include "base/system_edit_lock_win.h"
#include "base/system_error_win.h"
#include "base/text_win.h"
#include "core/install_steps_win.h"
#include "core/product_win.h"
#include "files/deferred_operations_win.h"
#include "files/shared_files.h"
#include "integration/component_unregistration_win.h"
#include "ui/messages_win.h"

namespace qs {
namespace {

// The counts Windows keeps for files that several products share. The installer is a 32-bit
// program and uses the key as such a program sees it, where other 32-bit installers count.
constexpr wchar_t kSharedDllsKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
// Read and write, without the right to delete the key. The key is never created.
constexpr REGSAM kReadWriteAccess = 0x2000F;

bool OpenSharedDlls(UniqueRegKey& key) {
  return ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSharedDllsKey, 0, InProgramView(kReadWriteAccess),
                         key.Receive()) == ERROR_SUCCESS;
}

// The count under `name`. False when there is no such value (or it cannot be read); a value
// that is not a 32-bit number counts as 0.
bool ReadCount(HKEY key, const std::wstring& name, DWORD& count) {
  DWORD type = 0;
  DWORD value = 0;
  DWORD size = sizeof value;
  const LSTATUS status =
      ::RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) return false;
  count = status == ERROR_SUCCESS && type == REG_DWORD && size == sizeof value ? value : 0;
  return true;
}

LSTATUS WriteCount(HKEY key, const std::wstring& name, DWORD count) {
  return ::RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count),
                          sizeof count);
}

// A file no product counts any more: after the user's consent when the product asks for it,
// its registration is taken back as its marker says and the file is deleted. A file the user
// keeps stays registered, so that it still works for whoever uses it.
void RemoveUnusedSharedFile(const std::wstring& path, char marker, const ReleaseOptions& options) {
  const DWORD attributes = ::GetFileAttributesW(Redirected(path));
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return;
  }
  if (options.askBeforeDelete && !AskYesNo(TextWith(kTextRemoveSharedFileQuestion, {AsU16(path)}),
                                           GetText(kTextSharedFileCaption))) {
    return;
  }
  if (marker == kSharedComServer) {
    UnregisterComServer(path, options.product64);
  } else if (marker == kSharedTypeLibrary) {
    UnregisterTypeLibrary(path);
  }
  DeleteFileWithOptions(path, kDeleteMissingIsSuccess);
}

}  // namespace

void CountSharedFiles(const std::vector<std::string>& sharedFiles, std::string& text,
                      std::u16string& log, std::u16string& failureSummary) {
  const SystemEditLock lock;
  // Nothing to count, nothing to report: a product without shared files (or one installed again
  // with the same ones) does not depend on the key.
  std::vector<std::string> uncounted;
  for (const std::string& file : sharedFiles) {
    if (!file.empty() && !ListsSharedEntry(text, file)) uncounted.push_back(file);
  }
  if (uncounted.empty()) return;
  UniqueRegKey key;
  if (!OpenSharedDlls(key)) {
    failureSummary += u"Registry error: unable to increment shared file reference counts.\r\n\r\n";
    return;
  }
  for (const std::string& file : uncounted) {
    // The same file may come twice in one run.
    if (ListsSharedEntry(text, file)) continue;
    const SharedFileEntry entry = SplitSharedMarker(file);
    const std::wstring name = Widen(entry.path);
    DWORD count = 0;
    ReadCount(key.Get(), name, count);
    if (count < MAXDWORD) ++count;  // a count at its limit stays there instead of turning to 0
    const LSTATUS status = WriteCount(key.Get(), name, count);
    if (status != ERROR_SUCCESS) {
      log += u"Failed to increment reference count of shared file \"" + U16(entry.path) + u"\" : " +
             SystemErrorU16(static_cast<DWORD>(status)) + u"\r\n";
    }
    // Listed even when the write failed: a reinstallation does not try again.
    AppendSharedEntry(text, file);
  }
}

void ReleaseSharedFiles(HKEY uninstallKey, const std::string& text, const ReleaseOptions& options,
                        std::u16string& failureSummary) {
  const SystemEditLock lock;
  if (text.empty()) return;
  UniqueRegKey key;
  if (!OpenSharedDlls(key)) {
    // The list stays in the registration, for a later run that can reach the counts.
    failureSummary += u"REGISTRY ERROR:  Unable to adjust shared file reference counts.\r\n\r\n";
    return;
  }
  for (const SharedFileEntry& entry : ParseSharedFiles(text)) {
    const std::wstring name = Widen(entry.path);
    DWORD count = 0;
    // Without a count the file is not known to be unused: it stays.
    if (!ReadCount(key.Get(), name, count)) continue;
    if (count > 0) {
      --count;
      if (count > 0) {
        WriteCount(key.Get(), name, count);
        continue;
      }
      ::RegDeleteValueW(key.Get(), name.c_str());
    }
    if (entry.marker == kSharedPermanent) continue;
    RemoveUnusedSharedFile(name, entry.marker, options);
  }
  key.Reset();
  ::RegDeleteValueW(uninstallKey, L"SharedFiles");
}

}  // namespace qs
