#pragma once
// Appending records to the transcript of a test run.
#include <string>
#include <string_view>
#include <vector>

namespace qs {

// The transcript file of this run (QUILLONET_TRANSCRIPT); empty in a normal run.
const std::wstring& TranscriptPath();

// Appends one record. Each record is opened, appended and closed on its own, so a run that
// dies keeps every record written before.
void AppendTranscriptRecord(std::string_view kind, const std::vector<std::string>& fields);

}  // namespace qs
