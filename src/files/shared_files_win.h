#pragma once
// Reference counts of shared files under HKLM "...\\SharedDLLs".
#include <windows.h>

#include <string>
#include <vector>

namespace qs {

// Raises the count of each file of `sharedFiles` (paths with their markers) that `text` does
// not list yet, and lists it (see files/shared_files.h). When there is something to count and
// the key cannot be opened, its paragraph goes to `failureSummary`; a failed write is logged
// into `log`.
void CountSharedFiles(const std::vector<std::string>& sharedFiles, std::string& text,
                      std::u16string& log, std::u16string& failureSummary);

// What releasing needs from the uninstall run.
struct ReleaseOptions {
  bool product64 = false;        // COM servers are unregistered through the 64-bit regsvr32
  bool askBeforeDelete = false;  // kTextRemoveSharedFileQuestion (interactive runs only)
};

// Lowers the count of each file the product's "SharedFiles" value lists; a file whose count
// reaches 0 (or was 0 already) is unregistered as its marker says and deleted, unless it is
// permanent or the user keeps it. A file without a count value is left alone. Then the value
// is deleted from `uninstallKey`. Nothing happens for an empty text; a key that cannot be
// opened adds its paragraph to `failureSummary` and keeps the value.
void ReleaseSharedFiles(HKEY uninstallKey, const std::string& text, const ReleaseOptions& options,
                        std::u16string& failureSummary);

}  // namespace qs
