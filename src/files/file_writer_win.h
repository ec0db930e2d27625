#pragma once
// Writing one installed file: three attempts, optional read-back, file times and attributes,
// and replacement at the next restart when the destination stays locked.
#include <cstdint>
#include <string>

#include "base/byte_span.h"
#include "base/date_time.h"
#include "core/install_run.h"

namespace qs {

// Writes `data` to `dest` (a narrow "|" path). True only when the file now holds the data.
// When it could not be written but was registered for replacement at the restart, `deferred`
// is set, the report goes to run.installLog and the restart flag is set; any other failure
// goes to run.failureSummary.
bool WriteInstalledFile(const std::string& dest, ByteSpan data, const DateTime& dateTime,
                        InstallRun& run, uint32_t attributes, bool existedBefore, bool& deferred);

}  // namespace qs
