#pragma once
// Uninstall.DAT on disk.
#include <windows.h>

#include <string>

#include "core/install_run.h"
#include "uninstall/uninstall_record.h"

namespace qs {

inline constexpr char16_t kUninstallRecordName[] = u"Uninstall.DAT";

// Writes `folder`\Uninstall.DAT over any earlier one, and the digest of the bytes written into
// the open registration key `registration` (record_digest_win.h), so that the uninstaller trusts
// this record and no other. Without a key (the registration could not be written) only the file
// is written. On failure kTextCannotWriteFile (or its English wording when the text is empty, as
// in the uninstaller), the path and the system's text go to `failureSummary`, the earlier record
// and its digest stay, and the result is false.
bool SaveUninstallData(HKEY registration, std::u16string_view folder, std::string_view removalList,
                       const UninstallRecord& record, std::u16string& failureSummary);

// The record the installation leaves: the run's removal list, the product's texts in the
// chosen language, its auto-close list, registry script and uninstall-time deletions, and
// the sections the integration phases recorded in `run`.
UninstallRecord InstallationRecord(const InstallRun& run);

// Reads `folder`\Uninstall.DAT. When it cannot be read the message naming `displayName`, the
// path and the error is shown and the result is false. With a registration key the bytes read
// are checked against its digest before they are parsed: a record that differs is refused with
// a fatal error (RecordChangedRefusal) before anything is changed; a registration without a
// digest (an installation by an earlier version) is accepted.
bool LoadUninstallData(HKEY registration, std::u16string_view folder,
                       std::u16string_view displayName, UninstallRecord& record);

}  // namespace qs
