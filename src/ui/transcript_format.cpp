#include "ui/transcript_format.h"

#include "base/text.h"
#include "base/text_scan.h"
#include "core/install_run.h"

namespace qs {
namespace {

// Splits at '\n'; a '\r' before it is dropped so that files edited on Windows read the same.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

struct FinishChoiceName {
  uint32_t choice;
  const char* name;
};
constexpr FinishChoiceName kFinishChoiceNames[] = {
    {kFinishOpenFile, "open"},
    {kFinishLaunchProgram, "launch"},
    {kFinishViewLog, "log"},
    {kFinishOpenOther, "other"},
};

}  // namespace

const std::string& TranscriptRecord::Field(size_t index) const {
  static const std::string kEmpty;
  return index < fields.size() ? fields[index] : kEmpty;
}

std::string EscapeTranscriptField(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (char c : field) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        out.push_back(c);
        break;
    }
  }
  return out;
}

std::string UnescapeTranscriptField(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\' || i + 1 == field.size()) {
      out.push_back(field[i]);
      continue;
    }
    const char next = field[++i];
    switch (next) {
      case '\\':
        out.push_back('\\');
        break;
      case 't':
        out.push_back('\t');
        break;
      case 'r':
        out.push_back('\r');
        break;
      case 'n':
        out.push_back('\n');
        break;
      default:  // not one of ours: keep it as written
        out.push_back('\\');
        out.push_back(next);
        break;
    }
  }
  return out;
}

std::string FormatTranscriptRecord(std::string_view kind, const std::vector<std::string>& fields) {
  std::string line = EscapeTranscriptField(kind);
  for (const std::string& field : fields) {
    line.push_back('\t');
    line += EscapeTranscriptField(field);
  }
  line.push_back('\n');
  return line;
}

std::vector<TranscriptRecord> ParseTranscript(std::string_view text) {
  std::vector<TranscriptRecord> records;
  for (std::string_view line : SplitLines(text)) {
    if (line.empty()) continue;
    TranscriptRecord record;
    size_t tab = line.find('\t');
    record.kind = UnescapeTranscriptField(line.substr(0, tab));
    while (tab != std::string_view::npos) {
      line.remove_prefix(tab + 1);
      tab = line.find('\t');
      record.fields.push_back(UnescapeTranscriptField(line.substr(0, tab)));
    }
    records.push_back(std::move(record));
  }
  return records;
}

std::vector<std::string> ParseAnswers(std::string_view text) {
  std::vector<std::string> answers;
  for (std::string_view line : SplitLines(text)) {
    line = TrimWhiteSpace(line);
    if (line.empty() || line.front() == '#') continue;
    answers.emplace_back(line);
  }
  return answers;
}

PageAnswer ParsePageAnswer(std::string_view line) {
  PageAnswer answer;
  const size_t blank = line.find(' ');
  const std::string_view word = line.substr(0, blank);
  if (EqualsIgnoreAsciiCase(word, "cancel")) {
    answer.cancel = true;
  } else if ((EqualsIgnoreAsciiCase(word, "next") || EqualsIgnoreAsciiCase(word, "ok")) &&
             blank != std::string_view::npos) {
    answer.value.emplace(line.substr(blank + 1));
  }
  return answer;
}

size_t PickLanguageLine(const std::vector<std::string>& names, std::string_view value,
                        size_t current) {
  for (size_t i = 0; i < names.size(); ++i) {
    if (EqualsIgnoreAsciiCase(names[i], value) || std::to_string(i) == value) current = i;
  }
  return current;
}

std::string FinishChoiceNames(uint32_t choices) {
  std::string names;
  for (const FinishChoiceName& entry : kFinishChoiceNames) {
    if ((choices & entry.choice) == 0) continue;
    if (!names.empty()) names += ',';
    names += entry.name;
  }
  return names;
}

uint32_t ParseFinishChoiceNames(std::string_view names) {
  uint32_t choices = 0;
  while (!names.empty()) {
    const size_t end = names.find(',');
    const std::string_view name = names.substr(0, end);
    for (const FinishChoiceName& entry : kFinishChoiceNames) {
      if (EqualsIgnoreAsciiCase(name, entry.name)) choices |= entry.choice;
    }
    if (end == std::string_view::npos) break;
    names.remove_prefix(end + 1);
  }
  return choices;
}

}  // namespace qs
