#pragma once
// The files of a test run: the transcript its records are appended to, and the answers file.
#include <string>
#include <string_view>
#include <vector>

namespace qs {

// The transcript file of this run (QUILLONET_TRANSCRIPT); empty in a normal run.
const std::wstring& TranscriptPath();

// The answer lines of the file named by QUILLONET_ANSWERS (ParseAnswers); none without one.
std::vector<std::string> LoadTranscriptAnswers();

// Appends one record. Each record is opened, appended and closed on its own, so a run that
// dies keeps every record written before.
void AppendTranscriptRecord(std::string_view kind, const std::vector<std::string>& fields);

}  // namespace qs
