#pragma once
// The files of a test run: the transcript its records are appended to, and the answers file.
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace qs {

// The transcript file of this run (QUILLONET_TRANSCRIPT); empty in a normal run.
const std::wstring& TranscriptPath();

// The answer lines of the file named by QUILLONET_ANSWERS (ParseAnswers); none without one.
std::vector<std::string> LoadTranscriptAnswers();

// One field of a record as the transcript holds it (UTF-8): a narrow field is ASCII or already
// UTF-8; a wide one is encoded here, the one place the program's texts leave for the
// transcript.
class TranscriptField {
 public:
  TranscriptField(std::string text) : text_(std::move(text)) {}  // NOLINT: implicit by design
  TranscriptField(const char* text) : text_(text) {}             // NOLINT
  TranscriptField(std::wstring_view text);                       // NOLINT
  TranscriptField(const std::wstring& text) : TranscriptField(std::wstring_view(text)) {}  // NOLINT

  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

// Appends one record. Each record is opened, appended and closed on its own, so a run that
// dies keeps every record written before.
void AppendTranscriptRecord(std::string_view kind, std::initializer_list<TranscriptField> fields);

}  // namespace qs
