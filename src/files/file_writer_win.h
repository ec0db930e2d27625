#pragma once
// Writing one installed file: three attempts, optional read-back, file times and attributes,
// and replacement at the next restart when the destination stays locked.
#include <windows.h>

#include <cstdint>
#include <string>

#include "base/byte_span.h"
#include "base/date_time.h"
#include "core/install_run.h"

namespace qs {

// A file is replaced whole or not at all: its new content is written to a partial file beside
// it (one fixed name per file, so that a second run writes over what a stopped run left) and
// moved over it once complete. A full disk or an installer stopped in the middle of a file
// leaves the previous file as it was, never a shortened one that a later run would take for up
// to date.
std::wstring PartialFilePath(const std::wstring& path);

// Whether `path` can be written over as it stands: 0 when it is missing (`exists` false) or
// opens for writing; otherwise the error an in-place write would meet, so that a file another
// program holds still fails as held and can be left for the restart.
DWORD CheckReplaceable(const std::wstring& path, bool& exists);

// Moves the whole partial file over `path`; a partial file that cannot be moved is deleted.
// 0 or the system error.
DWORD MovePartialFileIntoPlace(const std::wstring& partial, const std::wstring& path);

// Writes `data` to `dest`. True only when the file now holds the data.
// When it could not be written but was registered for replacement at the restart, `deferred`
// is set, the report goes to run.installLog and the restart flag is set; any other failure
// goes to run.failureSummary.
bool WriteInstalledFile(const std::u16string& dest, ByteSpan data, const DateTime& dateTime,
                        InstallRun& run, uint32_t attributes, bool existedBefore, bool& deferred);

}  // namespace qs
