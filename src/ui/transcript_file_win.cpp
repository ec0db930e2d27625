#include "ui/transcript_file_win.h"

#include <windows.h>

#include "base/file_redirection_win.h"
#include "base/file_win.h"
#include "base/handle_win.h"
#include "base/text_win.h"
#include "ui/transcript_format.h"

namespace qs {
namespace {

// Answers files are a few lines long; anything larger is not one.
constexpr uint64_t kAnswersSizeLimit = 1 << 20;

std::wstring ReadVariable(const char* narrowName) {
  const std::wstring name = AnsiToWide(narrowName);
  const DWORD needed = ::GetEnvironmentVariableW(name.c_str(), nullptr, 0);
  if (needed == 0) return {};
  std::wstring value(needed, L'\0');
  const DWORD length = ::GetEnvironmentVariableW(name.c_str(), value.data(), needed);
  if (length == 0 || length >= needed) return {};
  value.resize(length);
  return value;
}

}  // namespace

// Read on the first call, which start-up makes on the main thread before any other thread
// exists.
const std::wstring& TranscriptPath() {
  static const std::wstring path = ReadVariable(kTranscriptVariable);
  return path;
}

std::vector<std::string> LoadTranscriptAnswers() {
  const std::wstring path = ReadVariable(kAnswersVariable);
  std::string content;
  if (path.empty() || !ReadWholeFile(path, content, kAnswersSizeLimit)) return {};
  return ParseAnswers(content);
}

TranscriptField::TranscriptField(std::wstring_view text) : text_(WideToUtf8(text)) {}

void AppendTranscriptRecord(std::string_view kind, std::initializer_list<TranscriptField> fields) {
  const std::wstring& path = TranscriptPath();
  if (path.empty()) return;
  std::vector<std::string> texts;
  texts.reserve(fields.size());
  for (const TranscriptField& field : fields) texts.push_back(field.Text());
  const std::string line = FormatTranscriptRecord(kind, texts);
  UniqueFileHandle file(::CreateFileW(Redirected(path), FILE_APPEND_DATA,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;  // a test without a writable transcript fails on its own
  DWORD written = 0;
  ::WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace qs
