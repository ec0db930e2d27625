#include "builder/project_values.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <climits>
#include <cstring>

#include "base/text.h"
#include "builder/project_file.h"
#include "builder/source_files.h"
#include "builder/text_forms.h"

namespace qs::builder::project {
namespace {

std::string Quoted(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

// Edit distance, to suggest the key a typo meant.
size_t Distance(std::string_view a, std::string_view b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// A text value: a string, or { base64 = "..." } holding the stored bytes exactly.
bool TextBytes(Table& t, std::string_view key, const toml::node& node, std::string& utf8,
               std::optional<std::vector<uint8_t>>& raw) {
  raw.reset();
  if (const auto* text = node.as_string()) {
    utf8 = text->get();
    if (utf8.find('\0') != std::string::npos) {
      t.Fail(key, "a text cannot hold a NUL character");
      return false;
    }
    return true;
  }
  if (const auto* table = node.as_table()) {
    const toml::node* value = table->get("base64");
    if (table->size() == 1 && value != nullptr && value->is_string()) {
      std::vector<uint8_t> bytes;
      if (!Base64Decode(value->as_string()->get(), bytes)) {
        t.Fail(key, "'base64' holds a character that is not base64");
        return false;
      }
      raw = std::move(bytes);
      return true;
    }
  }
  t.Fail(key, "expected a string or { base64 = \"...\" }, not " + TypeName(node));
  return false;
}

bool WideFromNode(Table& t, std::string_view key, const toml::node& node, std::u16string& out) {
  std::string utf8;
  std::optional<std::vector<uint8_t>> raw;
  if (!TextBytes(t, key, node, utf8, raw)) return false;
  std::u16string value;
  if (raw) {
    if (raw->size() % 2 != 0) {
      t.Fail(key, "a wide text in base64 must hold whole UTF-16 units (an even number of bytes)");
      return false;
    }
    for (size_t i = 0; i < raw->size(); i += 2) {
      value.push_back(static_cast<char16_t>((*raw)[i] | (*raw)[i + 1] << 8));
    }
  } else {
    value = Utf8ToUtf16(utf8);
  }
  if (value.find(u'\0') != std::u16string::npos) {
    t.Fail(key, "a text cannot hold a NUL character");
    return false;
  }
  out = std::move(value);
  return true;
}

bool ReadFileBytes(Table& t, std::string_view key, std::string_view relative,
                   std::vector<uint8_t>& bytes) {
  const std::filesystem::path path = t.loader().Resolve(relative);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    t.Fail(key, "file '" + PathText(path) + "' does not exist");
    return false;
  }
  std::string error;
  if (!ReadWholeFile(path, bytes, error)) {
    t.Fail(key, error);
    return false;
  }
  return true;
}

// A document shown by the licence or readme page. A UTF-8 file without a byte-order mark
// would be shown in the ANSI code page, so it gets the mark.
void MarkUtf8Document(std::vector<uint8_t>& bytes) {
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  const bool hasMark = text.substr(0, 3) == "\xEF\xBB\xBF" || text.substr(0, 2) == "\xFF\xFE";
  if (!hasMark && !IsAscii(text) && IsValidUtf8(text)) {
    bytes.insert(bytes.begin(), {0xEF, 0xBB, 0xBF});
  }
}

// Bytes from a file (a path relative to the project) or inline { base64 = "..." }.
bool BlobFromNode(Table& t, std::string_view key, const toml::node& node, bool document,
                  std::vector<uint8_t>& out) {
  if (node.is_string()) {
    if (!ReadFileBytes(t, key, node.as_string()->get(), out)) return false;
    if (document) MarkUtf8Document(out);
    return true;
  }
  if (const auto* table = node.as_table()) {
    const toml::node* value = table->get("base64");
    if (table->size() == 1 && value != nullptr && value->is_string()) {
      if (!Base64Decode(value->as_string()->get(), out)) {
        t.Fail(key, "'base64' holds a character that is not base64");
        return false;
      }
      return true;
    }
  }
  t.Fail(key, "expected a file path or { base64 = \"...\" }, not " + TypeName(node));
  return false;
}

}  // namespace

std::string TypeName(const toml::node& node) {
  switch (node.type()) {
    case toml::node_type::string:
      return "a string";
    case toml::node_type::integer:
      return "an integer";
    case toml::node_type::floating_point:
      return "a floating-point number";
    case toml::node_type::boolean:
      return "a boolean";
    case toml::node_type::date:
      return "a date";
    case toml::node_type::time:
      return "a time";
    case toml::node_type::date_time:
      return "a date-time";
    case toml::node_type::array:
      return "an array";
    case toml::node_type::table:
      return "a table";
    default:
      return "nothing";
  }
}

std::string ListNames(std::span<const NamedValue> names) {
  std::string text;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? " or " : ", ";
    text += Quoted(names[i].name);
  }
  return text;
}

std::string PathText(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

void Table::Finish() {
  for (auto&& [key, node] : table_) {
    if (known_.count(std::string(key.str())) != 0) continue;
    std::string message = "unknown key";
    std::string_view best;
    size_t bestDistance = 3;
    for (const std::string& candidate : known_) {
      const size_t distance = Distance(key.str(), candidate);
      if (distance < bestDistance) {
        bestDistance = distance;
        best = candidate;
      }
    }
    if (!best.empty()) message += "; did you mean '" + std::string(best) + "'?";
    loader_.Fail(key.source().begin.line, KeyPath(key.str()), message);
    return;
  }
}

bool Narrow(Table& t, std::string_view key, std::string& out) {
  const toml::node* node = t.Get(key);
  if (node == nullptr) return false;
  std::string utf8;
  std::optional<std::vector<uint8_t>> raw;
  if (!TextBytes(t, key, *node, utf8, raw)) return false;
  std::string value = raw ? std::string(raw->begin(), raw->end()) : NarrowFromUtf8(utf8);
  if (value.find('\0') != std::string::npos) {
    t.Fail(key, "a text cannot hold a NUL byte");
    return false;
  }
  out = std::move(value);
  return true;
}

bool NarrowText(Table& t, std::string_view key, NarrowField field, std::u16string& text,
                StoredNarrowForms& kept) {
  std::string bytes;
  if (!Narrow(t, key, bytes)) return false;
  text = FromBarNarrow(bytes, DecodeLatin1);
  kept.Keep(field, ToBarNarrow(text) != bytes ? std::move(bytes) : std::string());
  return true;
}

bool Utf8(Table& t, std::string_view key, std::string& out) {
  const toml::node* node = t.Get(key);
  if (node == nullptr) return false;
  std::string utf8;
  std::optional<std::vector<uint8_t>> raw;
  if (!TextBytes(t, key, *node, utf8, raw)) return false;
  std::string value = raw ? std::string(raw->begin(), raw->end()) : utf8;
  if (value.find('\0') != std::string::npos) {
    t.Fail(key, "a text cannot hold a NUL byte");
    return false;
  }
  out = std::move(value);
  return true;
}

bool Cp1252(Table& t, std::string_view key, std::string& out) {
  const toml::node* node = t.Get(key);
  if (node == nullptr) return false;
  std::string utf8;
  std::optional<std::vector<uint8_t>> raw;
  if (!TextBytes(t, key, *node, utf8, raw)) return false;
  std::string value;
  if (raw) {
    value.assign(raw->begin(), raw->end());
  } else if (!Cp1252FromUtf8(utf8, value)) {
    t.Fail(key, "batches run in code page 1252, which has no place for some of these characters");
    return false;
  }
  if (value.find('\0') != std::string::npos) {
    t.Fail(key, "a text cannot hold a NUL byte");
    return false;
  }
  out = std::move(value);
  return true;
}

bool Wide(Table& t, std::string_view key, std::u16string& out) {
  const toml::node* node = t.Get(key);
  return node != nullptr && WideFromNode(t, key, *node, out);
}

bool Bool(Table& t, std::string_view key, bool& out) {
  const toml::node* node = t.Get(key);
  if (node == nullptr) return false;
  if (!node->is_boolean()) {
    t.Fail(key, "expected true or false, not " + TypeName(*node));
    return false;
  }
  out = node->as_boolean()->get();
  return true;
}

bool Integer(Table& t, std::string_view key, int64_t min, int64_t max, int64_t& out) {
  const toml::node* node = t.Get(key);
  if (node == nullptr) return false;
  if (!node->is_integer()) {
    t.Fail(key, "expected an integer, not " + TypeName(*node));
    return false;
  }
  const int64_t value = node->as_integer()->get();
  if (value < min || value > max) {
    t.Fail(key, "expected a number from " + std::to_string(min) + " to " + std::to_string(max) +
                    ", not " + std::to_string(value));
    return false;
  }
  out = value;
  return true;
}

bool Switch(Table& t, std::string_view key, uint8_t& out) {
  const toml::node* node = t.Get(key);
  if (node == nullptr) return false;
  if (node->is_boolean()) {
    out = node->as_boolean()->get() ? 1 : 0;
    return true;
  }
  return Number(t, key, 0, 255, out);
}

bool Word(Table& t, std::string_view key, uint64_t max, uint64_t& out) {
  const toml::node* node = t.Get(key);
  if (node == nullptr) return false;
  uint64_t value = 0;
  if (node->is_integer() && node->as_integer()->get() >= 0) {
    value = static_cast<uint64_t>(node->as_integer()->get());
  } else if (node->is_string()) {
    std::string_view text = node->as_string()->get();
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
      text.remove_prefix(2);
      base = 16;
    }
    std::string digits;
    for (char c : text) {
      if (c != '_') digits.push_back(c);
    }
    auto [stop, problem] =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (digits.empty() || problem != std::errc() || stop != digits.data() + digits.size()) {
      t.Fail(key, "expected a number such as \"0x1F\" or \"42\"");
      return false;
    }
  } else {
    t.Fail(key,
           "expected a non-negative integer or a string such as \"0x1F\", not " + TypeName(*node));
    return false;
  }
  if (value > max) {
    t.Fail(key,
           "the value does not fit in " + std::string(max > 0xFFFFFFFFull ? "64" : "32") + " bits");
    return false;
  }
  out = value;
  return true;
}

bool Double(Table& t, std::string_view key, double& out) {
  const toml::node* node = t.Get(key);
  if (node == nullptr) return false;
  if (node->is_floating_point()) {
    out = node->as_floating_point()->get();
    return true;
  }
  if (node->is_integer()) {
    out = static_cast<double>(node->as_integer()->get());
    return true;
  }
  if (const auto* table = node->as_table(); table != nullptr && table->size() == 1) {
    const toml::node* bits = table->get("bits");
    if (bits != nullptr && bits->is_string()) {
      std::string_view text = bits->as_string()->get();
      uint64_t value = 0;
      if (text.substr(0, 2) == "0x") text.remove_prefix(2);
      auto [stop, problem] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
      if (!text.empty() && problem == std::errc() && stop == text.data() + text.size()) {
        std::memcpy(&out, &value, sizeof out);
        return true;
      }
    }
  }
  t.Fail(key, "expected a number, or { bits = \"0x...\" }, not " + TypeName(*node));
  return false;
}

bool Color(Table& t, std::string_view key, uint32_t& out) {
  const toml::node* node = t.Get(key);
  if (node == nullptr) return false;
  if (node->is_string()) {
    std::string_view text = node->as_string()->get();
    uint32_t rgb = 0;
    if (text.size() == 7 && text[0] == '#') {
      auto [stop, problem] = std::from_chars(text.data() + 1, text.data() + 7, rgb, 16);
      if (problem == std::errc() && stop == text.data() + 7) {
        out = (rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16;
        return true;
      }
    }
    t.Fail(key, "expected a colour such as \"#1e90ff\"");
    return false;
  }
  return Number(t, key, 0, 0xFFFFFFFF, out);
}

bool Blob(Table& t, std::string_view key, std::vector<uint8_t>& out) {
  const toml::node* node = t.Get(key);
  return node != nullptr && BlobFromNode(t, key, *node, false, out);
}

bool Documents(Table& t, std::string_view key, std::vector<std::vector<uint8_t>>& out) {
  const toml::node* node = t.Get(key);
  if (node == nullptr) return false;
  const auto* array = node->as_array();
  if (array == nullptr) {
    t.Fail(key, "expected an array of file paths, not " + TypeName(*node));
    return false;
  }
  if (array->size() > static_cast<size_t>(kMaxDocuments)) {
    t.Fail(key, "at most 20 documents, not " + std::to_string(array->size()));
    return false;
  }
  out.clear();
  for (const toml::node& item : *array) {
    std::vector<uint8_t> bytes;
    if (!BlobFromNode(t, key, item, true, bytes)) return false;
    out.push_back(std::move(bytes));
  }
  return true;
}

bool StringList(Table& t, std::string_view key, std::vector<std::string>& out) {
  const toml::node* node = t.Get(key);
  if (node == nullptr) return false;
  const auto* array = node->as_array();
  bool ok = array != nullptr;
  if (ok) {
    out.clear();
    for (const toml::node& item : *array) {
      ok = ok && item.is_string();
      if (ok) out.push_back(item.as_string()->get());
    }
  }
  if (!ok) t.Fail(key, "expected an array of strings");
  return ok;
}

bool Date(Table& t, std::string_view key, DateTime& out) {
  const toml::node* node = t.Get(key);
  if (node == nullptr) return false;
  if (const auto* value = node->as_date_time()) {
    const toml::date_time& d = value->get();
    using namespace std::chrono;
    sys_seconds time = sys_days{year{d.date.year} / d.date.month / d.date.day} +
                       hours{d.time.hour} + minutes{d.time.minute} + seconds{d.time.second};
    if (d.offset) time -= minutes{d.offset->minutes};
    out = DateTimeFromUnixSeconds(time.time_since_epoch().count());
    return true;
  }
  if (const auto* value = node->as_date()) {
    out = DateTime{value->get().year, value->get().month, value->get().day, -1, 0, 0};
    return true;
  }
  if (const auto* array = node->as_array(); array != nullptr && array->size() == 6) {
    int32_t parts[6];
    for (size_t i = 0; i < 6; ++i) {
      const toml::node& item = *array->get(i);
      if (!item.is_integer() || item.as_integer()->get() < INT32_MIN ||
          item.as_integer()->get() > INT32_MAX) {
        t.Fail(key, "the six numbers of a date must be 32-bit integers");
        return false;
      }
      parts[i] = static_cast<int32_t>(item.as_integer()->get());
    }
    out = DateTime{parts[0], parts[1], parts[2], parts[3], parts[4], parts[5]};
    return true;
  }
  t.Fail(key,
         "expected a date-time such as 2024-05-01T12:00:00Z, a date, or the six numbers "
         "[year, month, day, hour, minute, second]");
  return false;
}

std::optional<Table> SubTable(Table& t, std::string_view key) {
  const toml::node* node = t.Get(key);
  if (node == nullptr) return std::nullopt;
  if (!node->is_table()) {
    t.Fail(key, "expected a table, not " + TypeName(*node));
    return std::nullopt;
  }
  return Table(t.loader(), *node->as_table(), t.KeyPath(key));
}

std::vector<Table> TableArray(Table& t, std::string_view key, int64_t most) {
  std::vector<Table> tables;
  const toml::node* node = t.Get(key);
  if (node == nullptr) return tables;
  const auto* array = node->as_array();
  if (array == nullptr || !array->is_array_of_tables()) {
    t.Fail(key, "expected an array of tables ([[" + std::string(key) + "]])");
    return tables;
  }
  if (static_cast<int64_t>(array->size()) > most) {
    t.Fail(key,
           "at most " + std::to_string(most) + " entries, not " + std::to_string(array->size()));
    return tables;
  }
  for (size_t i = 0; i < array->size(); ++i) {
    tables.emplace_back(t.loader(), *array->get(i)->as_table(),
                        t.KeyPath(key) + "[" + std::to_string(i) + "]");
  }
  return tables;
}

}  // namespace qs::builder::project
