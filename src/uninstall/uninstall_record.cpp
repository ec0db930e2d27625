#include "uninstall/uninstall_record.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "base/text_scan.h"
#include "files/deletion_conditions.h"

namespace qs {
namespace {

// Lines and fields lose their spaces, tabs, carriage returns and line feeds at both ends
// (TrimWhiteSpace). The writer quotes every field that begins or ends with one of these, so
// trimming never eats a written character.

constexpr std::string_view kLineBreak = "\r\n";
constexpr std::string_view kAssociationSeparator = "~!~";
constexpr std::string_view kQuotedCharacters = ",\"\t\r\n;|";

enum class Section {
  kFiles,  // before the first header: the removal list
  kStrings,
  kAssociations,
  kAutoClose,
  kFirewall,
  kInf,
  kRegistry,
  kRegistry2,
  kMsi,
  kConditionalDelete,
};

struct Header {
  std::string_view name;
  Section section;
};

constexpr Header kHeaders[] = {
    {"[Strings]", Section::kStrings},
    {"[Associations]", Section::kAssociations},
    {"[AutoClose]", Section::kAutoClose},
    {"[Firewall]", Section::kFirewall},
    {"[INF]", Section::kInf},
    {"[Registry]", Section::kRegistry},
    {"[Registry2]", Section::kRegistry2},
    {"[MSI]", Section::kMsi},
    {"[ConditionalDelete]", Section::kConditionalDelete},
};

// `trimmed` is a line already trimmed.
bool IsHeader(std::string_view trimmed, Section* section = nullptr) {
  for (const Header& header : kHeaders) {
    if (trimmed == header.name) {
      if (section != nullptr) *section = header.section;
      return true;
    }
  }
  return false;
}

// A decimal number made of digits only, at most `limit`.
bool ParseNumber(std::string_view text, uint32_t limit, uint32_t& value) {
  if (text.empty() || text.size() > 10) return false;
  uint64_t number = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + static_cast<uint64_t>(c - '0');
  }
  if (number > limit) return false;
  value = static_cast<uint32_t>(number);
  return true;
}

// "~N" with N from 1 to 1000 starts a text of [Strings].
bool TextNumber(std::string_view trimmed, int32_t& number) {
  uint32_t value = 0;
  if (trimmed.empty() || trimmed.front() != '~' ||
      !ParseNumber(trimmed.substr(1), kLastRecordText, value) ||
      static_cast<int32_t>(value) < kFirstRecordText) {
    return false;
  }
  number = static_cast<int32_t>(value);
  return true;
}

// The file's lines: split at "\n", each without the "\r" before it. A last line without a
// line break is a line all the same.
class LineReader {
 public:
  explicit LineReader(std::string_view bytes) : rest_(bytes) {}

  bool Next(std::string_view& line) {
    if (rest_.empty()) return false;
    const size_t end = rest_.find('\n');
    if (end == std::string_view::npos) {
      line = rest_;
      rest_ = {};
    } else {
      line = rest_.substr(0, end);
      rest_.remove_prefix(end + 1);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    }
    return true;
  }

 private:
  std::string_view rest_;
};

bool HasOpenQuote(std::string_view text) {
  size_t quotes = 0;
  for (char c : text) quotes += c == '"' ? 1 : 0;
  return quotes % 2 != 0;
}

// The "\r\n\r\n" of a header belongs to the header, not to the text or script before it: up to
// two empty lines are taken off the end of what a header ends.
void DropHeaderLines(std::vector<std::string_view>& lines) {
  for (int dropped = 0; dropped < 2 && !lines.empty() && lines.back().empty(); ++dropped) {
    lines.pop_back();
  }
}

std::string JoinLines(const std::vector<std::string_view>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i != 0) text += kLineBreak;
    text += lines[i];
  }
  return text;
}

void AppendFields(std::string& out, std::initializer_list<std::string_view> fields) {
  bool first = true;
  for (std::string_view field : fields) {
    if (!first) out += ',';
    out += QuoteRecordField(field);
    first = false;
  }
  out += kLineBreak;
}

void AppendSection(std::string& out, std::string_view name, const std::vector<std::string>& lines) {
  if (lines.empty()) return;
  out += "\r\n\r\n";
  out += name;
  out += kLineBreak;
  for (const std::string& line : lines) {
    out += line;
    out += kLineBreak;
  }
}

void AppendText(std::string& out, int32_t number, const UninstallRecord& record) {
  out += '~';
  out += std::to_string(number);
  out += kLineBreak;
  auto text = record.texts.find(number);
  if (text != record.texts.end()) out += text->second;
  out += kLineBreak;
}

// The reader, one line at a time. Sections that gather several lines (a text of [Strings],
// a quoted field spanning lines) read ahead and leave the line that ended them in `line_`.
class RecordReader {
 public:
  explicit RecordReader(std::string_view bytes) : lines_(bytes) {}

  UninstallRecord Read() {
    bool more = lines_.Next(line_);
    while (more) {
      const std::string_view trimmed = TrimWhiteSpace(line_);
      Section next = section_;
      if (IsHeader(trimmed, &next)) {
        EndSection();
        section_ = next;
        more = lines_.Next(line_);
        continue;
      }
      switch (section_) {
        case Section::kStrings:
          more = ReadText(trimmed);
          continue;
        case Section::kAutoClose:
        case Section::kConditionalDelete:
          more = ReadFieldLine();
          continue;
        case Section::kFiles:
          AddLine(record_.removalEntries, trimmed);
          break;
        case Section::kAssociations:
          AddAssociation(trimmed);
          break;
        case Section::kFirewall:
          AddLine(record_.firewallLines, trimmed);
          break;
        case Section::kInf:
          AddLine(record_.infLines, trimmed);
          break;
        case Section::kRegistry:
          AddLine(record_.registryLines, trimmed);
          break;
        case Section::kMsi:
          AddLine(record_.msiLines, trimmed);
          break;
        case Section::kRegistry2:
          registry2_.push_back(trimmed);
          break;
      }
      more = lines_.Next(line_);
    }
    EndOfFile();
    return std::move(record_);
  }

 private:
  static void AddLine(std::vector<std::string>& lines, std::string_view trimmed) {
    if (!trimmed.empty()) lines.emplace_back(trimmed);
  }

  void AddAssociation(std::string_view trimmed) {
    RecordedAssociation association;
    if (SplitAssociationLine(trimmed, association) && !association.extension.empty() &&
        !association.class_name.empty() && !association.verb.empty()) {
      record_.associations.push_back(std::move(association));
    }
  }

  // At a "~N" line: the lines after it, up to a header or the next "~" line, are text N.
  // Returns whether a line is left in line_.
  bool ReadText(std::string_view trimmed) {
    int32_t number = 0;
    if (!TextNumber(trimmed, number)) return lines_.Next(line_);  // not the start of a text
    std::vector<std::string_view> text;
    bool more = lines_.Next(line_);
    while (more) {
      const std::string_view next = TrimWhiteSpace(line_);
      if (IsHeader(next)) {
        DropHeaderLines(text);
        break;
      }
      if (!next.empty() && next.front() == '~') break;
      text.push_back(line_);
      more = lines_.Next(line_);
    }
    record_.texts[number] = JoinLines(text);
    return more;
  }

  // A line of comma-separated fields. A quoted field may hold line breaks: while a quote is
  // open the following lines belong to the same entry, up to a header.
  bool ReadFieldLine() {
    std::string entry(line_);
    bool open = HasOpenQuote(line_);
    bool more = lines_.Next(line_);
    while (open && more && !IsHeader(TrimWhiteSpace(line_))) {
      entry += kLineBreak;
      entry += line_;
      open = open != HasOpenQuote(line_);  // each line counted once, however long the entry
      more = lines_.Next(line_);
    }
    if (!open) AddFieldEntry(SplitRecordFields(entry));
    return more;
  }

  void AddFieldEntry(const std::vector<std::string>& fields) {
    if (fields.size() != 4) return;
    uint32_t number = 0;
    if (section_ == Section::kAutoClose) {
      if (!ParseNumber(fields[3], UINT32_MAX, number)) return;
      AutoCloseEntry entry{fields[0], fields[1], fields[2], number};
      entry.phases = number == 2 ? 4 : 2;
      record_.autoClose.push_back(std::move(entry));
      return;
    }
    uint32_t mode = 0;
    if (!ParseNumber(fields[1], UINT8_MAX, number) || !ParseNumber(fields[3], UINT8_MAX, mode)) {
      return;
    }
    // A rule whose argument is no date or size for its condition would stop the uninstallation
    // halfway, as a damaged installer stops an installation, and every later run with it.
    if (!IsValidConditionArgument(static_cast<uint8_t>(number), fields[2])) return;
    record_.conditionalDeletes.push_back(
        {fields[0], static_cast<uint8_t>(number), fields[2], static_cast<uint8_t>(mode)});
  }

  void EndSection() {
    if (section_ != Section::kRegistry2) return;
    DropHeaderLines(registry2_);
    FlushRegistry2();
  }

  void EndOfFile() {
    if (section_ == Section::kRegistry2) FlushRegistry2();
  }

  void FlushRegistry2() {
    for (std::string_view line : registry2_) {
      record_.registry2Text += line;
      record_.registry2Text += kLineBreak;
    }
    registry2_.clear();
  }

  LineReader lines_;
  std::string_view line_;
  Section section_ = Section::kFiles;
  std::vector<std::string_view> registry2_;  // lines of [Registry2] not yet in the text
  UninstallRecord record_;
};

}  // namespace

std::string FormatUninstallRecord(std::string_view removalList, const UninstallRecord& record) {
  std::string out(removalList);
  out += "\r\n\r\n[Strings]\r\n";
  for (TextId number : kUninstallTextNumbers) AppendText(out, number, record);
  AppendText(out, kTextRecordDialogCaption, record);

  if (!record.autoClose.empty()) {
    out += "\r\n\r\n[AutoClose]\r\n";
    for (const AutoCloseEntry& entry : record.autoClose) {
      AppendFields(out, {entry.window_class, entry.window_title, entry.display_name,
                         std::to_string(entry.action)});
    }
  }

  std::vector<std::string> associations;
  associations.reserve(record.associations.size());
  for (const RecordedAssociation& association : record.associations) {
    associations.push_back(association.extension + std::string(kAssociationSeparator) +
                           association.class_name + std::string(kAssociationSeparator) +
                           association.verb);
  }
  AppendSection(out, "[Associations]", associations);
  AppendSection(out, "[Firewall]", record.firewallLines);
  AppendSection(out, "[INF]", record.infLines);
  AppendSection(out, "[MSI]", record.msiLines);
  AppendSection(out, "[Registry]", record.registryLines);
  if (!record.registry2Text.empty()) {
    out += "\r\n\r\n[Registry2]\r\n";
    out += record.registry2Text;
    // The next header must start on a line of its own.
    if (record.registry2Text.back() != '\n') out += kLineBreak;
  }

  bool deletesWritten = false;
  for (const FileDeletion& rule : record.conditionalDeletes) {
    if ((rule.mode & kDeleteModeUninstall) == 0) continue;
    if (!deletesWritten) out += "\r\n\r\n[ConditionalDelete]\r\n";
    deletesWritten = true;
    AppendFields(out, {rule.file_spec, std::to_string(rule.condition), rule.condition_argument,
                       std::to_string(rule.mode)});
  }
  return out;
}

UninstallRecord ParseUninstallRecord(std::string_view bytes) {
  return RecordReader(bytes).Read();
}

std::string QuoteRecordField(std::string_view field) {
  const bool quoted =
      field.find_first_of(kQuotedCharacters) != std::string_view::npos ||
      (!field.empty() && (field.front() == ' ' || field.front() == '\'' || field.back() == ' '));
  std::string out;
  out.reserve(field.size() + 2);
  if (quoted) out += '"';
  for (char c : field) {
    if (c == '"') out += '"';
    out += c;
  }
  if (quoted) out += '"';
  return out;
}

std::vector<std::string> SplitRecordFields(std::string_view line) {
  std::vector<std::string> fields;
  auto add = [&fields](std::string_view raw) {
    std::string_view field = TrimWhiteSpace(raw);
    if (field.size() < 2 || field.front() != '"' || field.back() != '"') {
      fields.emplace_back(field);
      return;
    }
    field = field.substr(1, field.size() - 2);
    std::string plain;
    plain.reserve(field.size());
    for (size_t i = 0; i < field.size(); ++i) {
      plain += field[i];
      if (field[i] == '"' && i + 1 < field.size() && field[i + 1] == '"') ++i;
    }
    fields.push_back(std::move(plain));
  };
  bool inQuotes = false;
  size_t start = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') {
      inQuotes = !inQuotes;
    } else if (line[i] == ',' && !inQuotes) {
      add(line.substr(start, i - start));
      start = i + 1;
    }
  }
  add(line.substr(start));
  return fields;
}

bool SplitAssociationLine(std::string_view line, RecordedAssociation& association) {
  const size_t first = line.find(kAssociationSeparator);
  if (first == std::string_view::npos) return false;
  const std::string_view rest = line.substr(first + kAssociationSeparator.size());
  const size_t second = rest.find(kAssociationSeparator);
  if (second == std::string_view::npos) return false;
  association.extension = std::string(line.substr(0, first));
  association.class_name = std::string(rest.substr(0, second));
  association.verb = std::string(rest.substr(second + kAssociationSeparator.size()));
  return true;
}

std::string RecordTextUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  auto append = [&out](uint32_t c) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const uint32_t unit = text[i];
    const bool high = unit >= 0xD800 && unit <= 0xDBFF;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      append(0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      out += '?';  // half a surrogate pair has no UTF-8 form
    } else {
      append(unit);
    }
  }
  return out;
}

}  // namespace qs
