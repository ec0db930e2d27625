#include "builder/project_file.h"

#define TOML_EXCEPTIONS 0
#define TOML_HEADER_ONLY 1
#define TOML_ENABLE_FORMATTERS 0
#include <toml++/toml.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "base/text.h"
#include "builder/default_texts.h"
#include "builder/flag_options.h"
#include "builder/pe_section_writer.h"
#include "builder/project_names.h"
#include "builder/settings_writer.h"
#include "builder/source_files.h"
#include "builder/version_resource.h"
#include "base/version_compare.h"
#include "core/product_flags.h"

namespace qs::builder {
namespace {

// ---- What a project gets when it does not say. ----

constexpr uint64_t kDefaultProductFlags =
    kFlagUninstallable | kFlagOfferDirectoryPage | kFlagShowProgressPage;
constexpr uint32_t kDefaultProductFlags2 = kFlags2StrippedUninstaller;

ProductSettings DefaultSettings() {
  ProductSettings s;
  s.ProductFlags = kDefaultProductFlags;
  s.ProductFlags2 = kDefaultProductFlags2;
  s.ShortcutMode = 1;  // shortcuts for all users, like the installation under Program Files
  s.UninstallSubdir = "Uninstall";
  s.uninstallerName = "uninstall.exe";
  s.dialogCaption = u"<product> Setup";
  s.TitleSize = 1.0;
  s.TitleColor = 0x00FFFFFF;
  s.TitleShadow = 2;
  s.TitlePosition = 1;
  s.TitleFont = "Arial";
  s.TopColor = 0x00800000;  // dark blue (0x00BBGGRR) fading to black
  s.BottomColor = 0;
  s.StretchMode = 1;
  s.dialogLayouts.fill(2);
  return s;
}
// Also name-dependent: TaskbarText "<name> Setup", DisplayTitle the name; with a bitmap,
// BitmapSize 100 and no transparent index; with a copyright line, position bottom right,
// white, size 1 and Arial.
constexpr uint32_t kNoTransparentIndex = 0xFFFFFFFF;

constexpr int64_t kMaxListEntries = 1000;
constexpr int64_t kMaxConditionalDeletes = 1001;  // the installer refuses the 1002nd
constexpr int64_t kMaxDocuments = 20;
constexpr int64_t kMaxLanguages = 200;
constexpr int64_t kMaxTexts = 10000;

// ---- Texts and bytes ----

// White space is skipped (printed projects wrap long values); padding is optional.
bool Base64Decode(std::string_view text, std::vector<uint8_t>& bytes) {
  bytes.clear();
  uint32_t chunk = 0;
  int bits = 0;
  bool padding = false;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    if (c == '=') {
      padding = true;
      continue;
    }
    int value;
    if (c >= 'A' && c <= 'Z') {
      value = c - 'A';
    } else if (c >= 'a' && c <= 'z') {
      value = c - 'a' + 26;
    } else if (c >= '0' && c <= '9') {
      value = c - '0' + 52;
    } else if (c == '+') {
      value = 62;
    } else if (c == '/') {
      value = 63;
    } else {
      return false;
    }
    if (padding) return false;
    chunk = chunk << 6 | static_cast<uint32_t>(value);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      bytes.push_back(static_cast<uint8_t>(chunk >> bits));
    }
  }
  return bits < 6;  // a lone sixth of a byte cannot end a valid text
}

bool IsValidUtf8(std::string_view text) {
  return Utf16ToUtf8(Utf8ToUtf16(text)) == text;
}

// Code page 1252 bytes 0x80-0x9F; 0 where the code page has no character.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

}  // namespace

std::string Base64Encode(std::span<const uint8_t> bytes) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t chunk = uint32_t{bytes[i]} << 16;
    if (i + 1 < bytes.size()) chunk |= uint32_t{bytes[i + 1]} << 8;
    if (i + 2 < bytes.size()) chunk |= bytes[i + 2];
    out.push_back(kAlphabet[chunk >> 18 & 63]);
    out.push_back(kAlphabet[chunk >> 12 & 63]);
    out.push_back(i + 1 < bytes.size() ? kAlphabet[chunk >> 6 & 63] : '=');
    out.push_back(i + 2 < bytes.size() ? kAlphabet[chunk & 63] : '=');
  }
  return out;
}

std::string NarrowFromUtf8(std::string_view utf8) {
  return IsAscii(utf8) ? std::string(utf8) : "|" + std::string(utf8);
}

bool Utf8FromNarrow(std::string_view stored, std::string& utf8) {
  if (IsAscii(stored)) {
    utf8 = stored;
    return true;
  }
  if (!stored.empty() && stored[0] == '|' && IsValidUtf8(stored.substr(1)) &&
      NarrowFromUtf8(stored.substr(1)) == stored) {
    utf8 = stored.substr(1);
    return true;
  }
  return false;
}

bool Cp1252FromUtf8(std::string_view utf8, std::string& stored) {
  stored.clear();
  for (char16_t unit : Utf8ToUtf16(utf8)) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
      stored.push_back(static_cast<char>(unit));
      continue;
    }
    const char16_t* found = std::find(std::begin(kCp1252High), std::end(kCp1252High), unit);
    if (unit == 0 || found == std::end(kCp1252High)) return false;
    stored.push_back(static_cast<char>(0x80 + (found - std::begin(kCp1252High))));
  }
  return true;
}

bool Utf8FromCp1252(std::string_view stored, std::string& utf8) {
  std::u16string wide;
  for (char c : stored) {
    const uint8_t byte = static_cast<uint8_t>(c);
    if (byte >= 0x80 && byte < 0xA0) {
      if (kCp1252High[byte - 0x80] == 0) return false;
      wide.push_back(kCp1252High[byte - 0x80]);
    } else {
      wide.push_back(byte);
    }
  }
  utf8 = Utf16ToUtf8(wide);
  return true;
}

bool MatchGlob(std::string_view pattern, std::string_view path) {
  while (!pattern.empty()) {
    if (pattern.substr(0, 2) == "**") {
      std::string_view rest = pattern.substr(2);
      if (rest.empty()) return true;
      if (rest[0] == '/') {
        // "**/": no folder at all, or any number of whole folders.
        rest.remove_prefix(1);
        if (MatchGlob(rest, path)) return true;
        for (size_t i = 0; i < path.size(); ++i) {
          if (path[i] == '/' && MatchGlob(rest, path.substr(i + 1))) return true;
        }
        return false;
      }
      for (size_t i = 0; i <= path.size(); ++i) {
        if (MatchGlob(rest, path.substr(i))) return true;
      }
      return false;
    }
    if (pattern[0] == '*') {
      std::string_view rest = pattern.substr(1);
      for (size_t i = 0; i <= path.size(); ++i) {
        if (MatchGlob(rest, path.substr(i))) return true;
        if (i < path.size() && path[i] == '/') return false;
      }
      return false;
    }
    if (path.empty()) return false;
    if (pattern[0] == '?' ? path[0] == '/' : pattern[0] != path[0]) return false;
    pattern.remove_prefix(1);
    path.remove_prefix(1);
  }
  return path.empty();
}

DateTime DateTimeFromUnixSeconds(int64_t seconds) {
  using namespace std::chrono;
  const sys_seconds time{std::chrono::seconds(seconds)};
  const auto day = floor<days>(time);
  const year_month_day date{day};
  const hh_mm_ss clock{time - day};
  DateTime result;
  result.year = static_cast<int>(date.year());
  result.month = static_cast<int>(static_cast<unsigned>(date.month()));
  result.day = static_cast<int>(static_cast<unsigned>(date.day()));
  result.hour = static_cast<int>(clock.hours().count());
  result.minute = static_cast<int>(clock.minutes().count());
  result.second = static_cast<int>(clock.seconds().count());
  return result;
}

bool BuildTimeFromEnvironment(ProjectContext& context, std::string& error) {
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  if (epoch != nullptr && *epoch != '\0') {
    int64_t seconds = 0;
    const char* end = epoch + std::char_traits<char>::length(epoch);
    auto [stop, problem] = std::from_chars(epoch, end, seconds);
    if (problem != std::errc() || stop != end || seconds < 0 || seconds > 253402300799) {
      error = "SOURCE_DATE_EPOCH must be a number of seconds since 1970";
      return false;
    }
    context.buildTime = DateTimeFromUnixSeconds(seconds);
    context.clampFileDates = true;
    return true;
  }
  const auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
  context.buildTime = DateTimeFromUnixSeconds(now.time_since_epoch().count());
  context.clampFileDates = false;
  return true;
}

std::filesystem::path DefaultOutputPath(const std::string& projectPath,
                                        const std::string& productName) {
  std::string name;
  if (!Utf8FromNarrow(productName, name)) name = productName;
  if (name.empty()) name = "product";
  for (char& c : name) {
    if (static_cast<unsigned char>(c) < 0x20 ||
        std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos) {
      c = '_';
    }
  }
  name += "-setup.exe";
  return std::filesystem::path(projectPath).parent_path() /
         std::filesystem::path(std::u8string(name.begin(), name.end()));
}

namespace {

// ---- Reading the TOML tree with messages that point into the file ----

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

std::string Quoted(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

std::string ListNames(std::span<const NamedValue> names) {
  std::string text;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? " or " : ", ";
    text += Quoted(names[i].name);
  }
  return text;
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

class Loader {
 public:
  Loader(std::string file, std::filesystem::path folder, std::string& error)
      : file_(std::move(file)), folder_(std::move(folder)), error_(error) {}

  bool Failed() const { return !error_.empty(); }
  const std::filesystem::path& Folder() const { return folder_; }
  const std::string& File() const { return file_; }

  void Fail(uint32_t line, const std::string& key, const std::string& message) {
    if (!error_.empty()) return;
    error_ = file_ + ":" + std::to_string(line) + ": ";
    if (!key.empty()) error_ += "key '" + key + "': ";
    error_ += message;
  }

  void SetError(const std::string& message) {
    if (error_.empty()) error_ = message;
  }

  std::filesystem::path Resolve(std::string_view relative) const {
    const std::filesystem::path path(std::u8string(relative.begin(), relative.end()));
    return path.is_absolute() ? path : folder_ / path;
  }

 private:
  std::string file_;
  std::filesystem::path folder_;
  std::string& error_;
};

std::string PathText(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

uint32_t LineOf(const toml::node& node) {
  return node.source().begin.line;
}

// One TOML table with the keys this table allows; every key that no one asked for is refused
// when the table is finished.
class Table {
 public:
  Table(Loader& loader, const toml::table& table, std::string path)
      : loader_(loader), table_(table), path_(std::move(path)) {}

  Loader& loader() { return loader_; }
  const std::string& path() const { return path_; }
  uint32_t line() const { return table_.source().begin.line; }

  std::string KeyPath(std::string_view key) const {
    return path_.empty() ? std::string(key) : path_ + "." + std::string(key);
  }

  const toml::node* Get(std::string_view key) {
    known_.insert(std::string(key));
    return table_.get(key);
  }
  bool Has(std::string_view key) const { return table_.get(key) != nullptr; }

  void Fail(std::string_view key, const std::string& message) {
    const toml::node* node = table_.get(key);
    loader_.Fail(node != nullptr ? LineOf(*node) : line(), KeyPath(key), message);
  }

  // Keys that no reader asked for are typos or keys of another table.
  void Finish() {
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

  const toml::table& raw() const { return table_; }

 private:
  Loader& loader_;
  const toml::table& table_;
  std::string path_;
  std::set<std::string> known_;
};

// ---- Value readers. Each returns true when the key was given and is valid; a key that is
// given but wrong records the error. ----

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

// A narrow field of the settings or of an entry: ASCII as it is, other text as "|" + UTF-8.
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

// A narrow field stored as UTF-8 itself (an entry's text).
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

// A batch: the installer runs it in code page 1252.
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

template <typename T>
bool Number(Table& t, std::string_view key, int64_t min, int64_t max, T& out) {
  int64_t value = 0;
  if (!Integer(t, key, min, max, value)) return false;
  out = static_cast<T>(value);
  return true;
}

// A byte that is a switch: true, false or a number up to 255.
bool Switch(Table& t, std::string_view key, uint8_t& out) {
  const toml::node* node = t.Get(key);
  if (node == nullptr) return false;
  if (node->is_boolean()) {
    out = node->as_boolean()->get() ? 1 : 0;
    return true;
  }
  return Number(t, key, 0, 255, out);
}

// An unsigned word that may not fit a TOML integer: an integer, or a string "0x..." or
// decimal digits.
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

// A double: a number, or { bits = "0x..." } for values TOML cannot write (NaN payloads).
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

// A colour: "#rrggbb", or the stored 0x00BBGGRR value as an integer.
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

// A value with names: one of the names, or a number from rawMin to rawMax.
template <typename T>
bool Named(Table& t, std::string_view key, std::span<const NamedValue> names, int64_t rawMin,
           int64_t rawMax, T& out) {
  const toml::node* node = t.Get(key);
  if (node == nullptr) return false;
  if (node->is_string()) {
    if (const NamedValue* found = FindNamed(names, node->as_string()->get())) {
      out = static_cast<T>(found->value);
      return true;
    }
  } else if (node->is_integer()) {
    const int64_t value = node->as_integer()->get();
    if (value >= rawMin && value <= rawMax) {
      out = static_cast<T>(value);
      return true;
    }
  }
  t.Fail(key, "expected " + ListNames(names) + ", or a number from " + std::to_string(rawMin) +
                  " to " + std::to_string(rawMax));
  return false;
}

// A set of bits: an array of names, or the number.
template <typename T>
bool Bits(Table& t, std::string_view key, std::span<const NamedValue> names, uint64_t rawMax,
          T& out) {
  const toml::node* node = t.Get(key);
  if (node == nullptr) return false;
  if (const auto* array = node->as_array()) {
    uint64_t value = 0;
    for (const toml::node& item : *array) {
      const NamedValue* found =
          item.is_string() ? FindNamed(names, item.as_string()->get()) : nullptr;
      if (found == nullptr) {
        t.Fail(key, "expected names among " + ListNames(names));
        return false;
      }
      value |= found->value;
    }
    out = static_cast<T>(value);
    return true;
  }
  if (node->is_integer() && node->as_integer()->get() >= 0 &&
      static_cast<uint64_t>(node->as_integer()->get()) <= rawMax) {
    out = static_cast<T>(node->as_integer()->get());
    return true;
  }
  t.Fail(key, "expected an array of names among " + ListNames(names) + ", or a number");
  return false;
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

// A date: a TOML date-time (an offset is turned into UTC; a local one is taken as UTC), a date
// alone (no time of day), or the six stored numbers [year, month, day, hour, minute, second].
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

// ---- The sections ----

struct ParseState {
  bool compress = true;
  bool masterGiven = false;
  std::optional<bool> bitmapInUninstaller;
  std::optional<uint64_t> rawFlags;
  std::optional<uint32_t> rawFlags2;
  std::string sourceFolder;  // the top-level `source`
};

void ReadProduct(Table& t, ProductSettings& s) {
  if (!Narrow(t, "name", s.DisplayName) || s.DisplayName.empty()) {
    if (!t.loader().Failed()) t.Fail("name", "the product needs a name");
  }
  Narrow(t, "version", s.DisplayVersion);
  Narrow(t, "publisher", s.Publisher);
  Narrow(t, "description", s.description);
  Named(t, "bitness", kBitnessNames, 0, 2, s.Bitness);
  Date(t, "date", s.productDate);
  Narrow(t, "registry_key", s.ProductRegistry);
  Blob(t, "icon", s.productIcon);
  t.Finish();
}

void ReadInstall(Table& t, ProductSettings& s) {
  Narrow(t, "default_dir", s.defaultInstallDir);
  Narrow(t, "previous_dir_value", s.installDirValue);
  Narrow(t, "start_menu", s.ProductStartMenu);
  Switch(t, "all_users_shortcuts", s.ShortcutMode);
  Narrow(t, "shared_dir", s.SharedPath);
  Named(t, "shared_dir_base", kSharedDirBaseNames, 0, 255, s.sharedDirBase);
  Narrow(t, "removable_shared_subdir", s.removableSharedSubdir);
  Named(t, "admin", kAdminNames, 0, 255, s.adminRequirement);
  Named(t, "automatic_mode", kAutomaticModeNames, 0, 255, s.automaticOverride);
  Number(t, "min_step_delay", 0, 9999, s.minStepDelay);
  Word(t, "extra_disk_space", UINT64_MAX, s.extraDiskSpace);
  Bits(t, "unsupported_systems", kSystemNames, 0xFFFFFFFF, s.unsupportedSystems);
  Narrow(t, "registry", s.registryText);
  Narrow(t, "firewall_rules", s.firewallRules);
  Narrow(t, "desktop_folder", s.desktopFolderName);
  Blob(t, "desktop_folder_icon", s.desktopFolderIcon);
  Narrow(t, "root_shortcut_name", s.rootShortcutName);
  Narrow(t, "root_shortcut_target", s.rootShortcutTarget);
  Wide(t, "taskbar_pin", s.taskbarPin);
  Narrow(t, "ask_below_version", s.askBelowVersion);
  Narrow(t, "must_uninstall_below", s.mustUninstallBelow);
  t.Finish();
}

void ReadUninstall(Table& t, ProductSettings& s) {
  Narrow(t, "subdir", s.UninstallSubdir);
  Narrow(t, "program", s.uninstallerName);
  Narrow(t, "key_name", s.uninstallKeyName);
  if (Blob(t, "icon", s.uninstallerIcon) && (s.ProductFlags & kFlagUninstallable) == 0) {
    t.Fail("icon", "only an uninstallable product has an uninstaller (option 'uninstallable')");
  }
  t.Finish();
}

void ReadCopyright(Table& t, ProductSettings& s) {
  s.CopyrightPos = 6;
  s.CopyrightColor = 0x00FFFFFF;
  s.CopyrightSize = 1.0;
  s.CopyrightFont = "Arial";
  Wide(t, "text", s.CopyrightText);
  Color(t, "color", s.CopyrightColor);
  Double(t, "size", s.CopyrightSize);
  Narrow(t, "font", s.CopyrightFont);
  Named(t, "position", std::span(kPositionNames).subspan(1), 1, 255, s.CopyrightPos);
  t.Finish();
}

void ReadBackground(Table& t, ProductSettings& s, ParseState& state) {
  Narrow(t, "taskbar_text", s.TaskbarText);
  Wide(t, "title", s.DisplayTitle);
  Double(t, "title_size", s.TitleSize);
  Color(t, "title_color", s.TitleColor);
  Number(t, "title_shadow", 0, 255, s.TitleShadow);
  Named(t, "title_position", kPositionNames, 0, 255, s.TitlePosition);
  Narrow(t, "title_font", s.TitleFont);
  Number(t, "title_option", 0, 255, s.titleOption);
  Color(t, "top_color", s.TopColor);
  Color(t, "bottom_color", s.BottomColor);
  if (Blob(t, "bitmap", s.bitmap) && !s.bitmap.empty()) {
    s.BitmapSize = 100;
    s.BitmapTPI = kNoTransparentIndex;
    if (s.bitmap.size() > INT32_MAX) t.Fail("bitmap", "the bitmap is too large");
  }
  Number(t, "bitmap_size", 0, 100, s.BitmapSize);
  Named(t, "stretch", kStretchNames, INT32_MIN, INT32_MAX, s.StretchMode);
  int64_t transparent = 0;
  if (Integer(t, "transparent_index", -1, 0xFFFFFFFF, transparent)) {
    if (s.bitmap.empty()) {
      t.Fail("transparent_index", "is stored only with a bitmap");
    }
    s.BitmapTPI = static_cast<uint32_t>(transparent);
  }
  bool inUninstaller = true;
  if (Bool(t, "in_uninstaller", inUninstaller)) {
    if (s.bitmap.empty()) t.Fail("in_uninstaller", "needs a bitmap");
    state.bitmapInUninstaller = inUninstaller;
  }
  if (std::optional<Table> copyright = SubTable(t, "copyright")) ReadCopyright(*copyright, s);
  t.Finish();
}

void ReadLayouts(Table& t, ProductSettings& s) {
  const toml::node* node = t.Get("layout");
  if (node == nullptr) return;
  if (node->is_table()) {
    Table layouts(t.loader(), *node->as_table(), t.KeyPath("layout"));
    for (size_t i = 0; i < kDialogLayoutCount; ++i) {
      Named(layouts, kLayoutKeys[i], kLayoutNames, 0, 0xFFFFFFFF, s.dialogLayouts[i]);
    }
    layouts.Finish();
    return;
  }
  uint32_t all = 0;
  if (Named(t, "layout", kLayoutNames, 0, 0xFFFFFFFF, all)) s.dialogLayouts.fill(all);
}

void ReadPages(Table& t, ProductSettings& s) {
  Wide(t, "caption", s.dialogCaption);
  Documents(t, "licenses", s.licenses);
  Documents(t, "readmes", s.readmes);
  ReadLayouts(t, s);
  if (const toml::node* node = t.Get("progress_placement"); node != nullptr && node->is_table()) {
    Table placement(t.loader(), *node->as_table(), t.KeyPath("progress_placement"));
    uint32_t across = 0;
    uint32_t down = 0;
    Named(placement, "horizontal", kHorizontalNames, 0, 3, across);
    Named(placement, "vertical", kVerticalNames, 0, 0x18, down);
    if ((down & ~0x18u) != 0) placement.Fail("vertical", "expected a multiple of 8 up to 24");
    placement.Finish();
    s.progressPlacement = across | down;
  } else {
    Number(t, "progress_placement", 0, 0xFFFFFFFF, s.progressPlacement);
  }
  t.Finish();
}

void ReadFinish(Table& t, ProductSettings& s) {
  Narrow(t, "open_file", s.finishOpenFile);
  Narrow(t, "launch_program", s.finishLaunchProgram);
  Narrow(t, "open_other", s.finishOpenOther);
  t.Finish();
}

void ReadNotify(Table& t, ProductSettings& s) {
  Narrow(t, "install", s.notifyUrlInstall);
  Narrow(t, "upgrade", s.notifyUrlUpgrade);
  Narrow(t, "downgrade", s.notifyUrlDowngrade);
  Narrow(t, "reinstall", s.notifyUrlReinstall);
  Narrow(t, "uninstall", s.NotifyURL);
  t.Finish();
}

void ReadBatches(Table& t, ProductSettings& s) {
  for (size_t i = 0; i < kBatchCount; ++i) Cp1252(t, kBatchKeys[i], s.batches[i]);
  t.Finish();
}

void ReadMaster(Table& t, ProductSettings& s) {
  Narrow(t, "name", s.masterName);
  Narrow(t, "key", s.masterKey);
  t.Finish();
}

void ReadAdvanced(Table& t, ProductSettings& s) {
  if (const toml::node* node = t.Get("reserved")) {
    const auto* array = node->as_array();
    bool ok = array != nullptr && array->size() == s.reserved20.size();
    for (size_t i = 0; ok && i < s.reserved20.size(); ++i) {
      const toml::node& item = *array->get(i);
      ok = item.is_integer() && item.as_integer()->get() >= 0 && item.as_integer()->get() <= 255;
      if (ok) s.reserved20[i] = static_cast<uint8_t>(item.as_integer()->get());
    }
    if (!ok) t.Fail("reserved", "expected an array of 20 numbers from 0 to 255");
  }
  Narrow(t, "unused_text", s.unusedText);
  Switch(t, "file_data_from_file", s.fileDataFromFile);
  t.Finish();
}

void ReadOptions(Table& t, ProductSettings& s, ParseState& state) {
  uint64_t raw = 0;
  if (Word(t, "product_flags", UINT64_MAX, raw)) {
    if ((raw & (kFlagCompressedBlocks | kFlagMasterProduct)) != 0) {
      t.Fail("product_flags",
             "bits 5 and 16 are set by the builder: from [container] compress and from [master]");
    }
    state.rawFlags = raw;
  }
  if (Word(t, "product_flags2", 0xFFFFFFFF, raw)) {
    if ((raw & kFlags2Enciphered) != 0) {
      t.Fail("product_flags2", "bit 0x1000 is set by the builder when [container] key is given");
    }
    state.rawFlags2 = static_cast<uint32_t>(raw);
  }
  if (state.rawFlags) s.ProductFlags = *state.rawFlags;
  if (state.rawFlags2) s.ProductFlags2 = *state.rawFlags2;
  for (const FlagOption& option : FlagOptions()) {
    bool on = false;
    if (!Bool(t, option.key, on)) continue;
    if (option.derived) {
      t.Fail(option.key, "cannot be set by name: " + std::string(option.meaning));
      return;
    }
    if (option.word == FlagWord::kProductFlags) {
      s.ProductFlags = on ? s.ProductFlags | option.mask : s.ProductFlags & ~option.mask;
    } else {
      const uint32_t mask = static_cast<uint32_t>(option.mask);
      s.ProductFlags2 = on ? s.ProductFlags2 | mask : s.ProductFlags2 & ~mask;
    }
  }
  t.Finish();
}

void ReadContainer(Table& t, ContainerOptions& container, ParseState& state) {
  Bool(t, "compress", state.compress);
  Number(t, "compression_level", 0, 9, container.compressionLevel);
  Number(t, "block_size", 1, static_cast<int64_t>(kMaxBlockSize), container.blockSize);
  if (const toml::node* node = t.Get("key")) {
    std::array<uint8_t, 8> key{};
    const std::string text = node->is_string() ? node->as_string()->get() : std::string();
    bool ok = text.size() == 16;
    for (size_t i = 0; ok && i < 8; ++i) {
      auto [stop, problem] =
          std::from_chars(text.data() + 2 * i, text.data() + 2 * i + 2, key[i], 16);
      ok = problem == std::errc() && stop == text.data() + 2 * i + 2;
    }
    if (ok) {
      container.blowfishKey = key;
    } else {
      t.Fail("key", "expected 16 hexadecimal digits (an 8-byte key)");
    }
  }
  t.Finish();
}

void ReadShortcuts(Table& root, ProductSettings& s) {
  for (Table& t : TableArray(root, "shortcuts", kMaxListEntries)) {
    ShortcutRecord& r = s.shortcuts.emplace_back();
    r.fromSettings = 1;
    if (!Narrow(t, "target", r.target) && !t.loader().Failed()) {
      t.Fail("target", "a shortcut needs a target");
    }
    Wide(t, "name", r.name);
    Narrow(t, "icon", r.icon);
    Narrow(t, "arguments", r.arguments);
    Narrow(t, "working_dir", r.workingDirectory);
    Switch(t, "desktop", r.onDesktop);
    Switch(t, "start_menu", r.inStartMenu);
    Switch(t, "startup", r.inStartup);
    Narrow(t, "folder", r.customFolder);
    Named(t, "show", kShowStateNames, 0, 255, r.showState);
    Switch(t, "keep", r.keepAtUninstall);
    t.Finish();
  }
}

void ReadAssociations(Table& root, ProductSettings& s) {
  for (Table& t : TableArray(root, "associations", kMaxListEntries)) {
    FileAssociation& a = s.associations.emplace_back();
    a.verb = "open";
    if ((!Narrow(t, "extension", a.extension) || a.extension.empty()) && !t.loader().Failed()) {
      t.Fail("extension", "an association needs an extension");
    }
    Narrow(t, "label", a.label);
    Narrow(t, "description", a.description);
    Narrow(t, "verb", a.verb);
    Narrow(t, "verb_text", a.verbText);
    Narrow(t, "command", a.command);
    Narrow(t, "language", a.language);
    Narrow(t, "icon", a.icon);
    Number(t, "flags", 0, 0xFFFFFFFF, a.flags);
    bool defaultVerb = false;
    if (Bool(t, "default_verb", defaultVerb)) a.flags = defaultVerb ? a.flags | 1 : a.flags & ~1u;
    t.Finish();
  }
}

void ReadSavedValues(Table& root, ProductSettings& s) {
  for (Table& t : TableArray(root, "saved_values", kMaxListEntries)) {
    SavedValue& v = s.savedValues.emplace_back();
    v.kind = 1;
    if ((!Narrow(t, "key", v.keyPath) || v.keyPath.empty()) && !t.loader().Failed()) {
      t.Fail("key", "a saved value needs a key (a value name, or a key path and value name)");
    }
    Named(t, "kind", kSavedValueKindNames, 0, 255, v.kind);
    Narrow(t, "data", v.data);
    t.Finish();
  }
}

// The four bits of a mode byte as switches, or the byte itself.
template <size_t N>
void ModeBits(Table& t, const std::pair<std::string_view, uint8_t> (&bits)[N], uint8_t& mode,
              std::string_view rawKey) {
  if (Number(t, rawKey, 0, 255, mode)) return;
  for (const auto& [key, bit] : bits) {
    bool on = false;
    if (Bool(t, key, on)) mode = on ? mode | bit : mode & ~bit;
  }
}

bool IsInt32Text(std::string_view text) {
  int32_t value = 0;
  const char* first = text.data();
  if (!text.empty() && text[0] == '+') ++first;
  auto [stop, problem] = std::from_chars(first, text.data() + text.size(), value);
  return first != text.data() + text.size() && problem == std::errc() &&
         stop == text.data() + text.size();
}

void ReadConditionalDeletes(Table& root, ProductSettings& s) {
  static constexpr std::pair<std::string_view, uint8_t> kModeBits[] = {
      {"at_restart", 1}, {"at_restart_on_failure", 2}, {"install", 4}, {"uninstall", 8}};
  for (Table& t : TableArray(root, "conditional_deletes", kMaxConditionalDeletes)) {
    FileDeletion& d = s.conditionalDeletes.emplace_back();
    d.mode = 4;
    if ((!Narrow(t, "files", d.file_spec) || d.file_spec.empty()) && !t.loader().Failed()) {
      t.Fail("files", "a conditional delete needs the files it deletes");
    }
    if (d.file_spec == kConditionalDeleteEnd) t.Fail("files", "this text ends the list");
    Named(t, "condition", kConditionNames, 0, 255, d.condition);
    Narrow(t, "argument", d.condition_argument);
    if (t.Has("mode") && (t.Has("install") || t.Has("uninstall") || t.Has("at_restart") ||
                          t.Has("at_restart_on_failure"))) {
      t.Fail("mode", "give the mode as a number or as switches, not both");
    }
    ModeBits(t, kModeBits, d.mode, "mode");
    // The installer reports a damaged installer when the argument does not parse.
    if (d.condition >= 4 && d.condition <= 6 && !IsInt32Text(d.condition_argument)) {
      t.Fail("argument", "a size condition needs a whole number of bytes (32-bit)");
    } else if (d.condition >= 1 && d.condition <= 3 && d.condition_argument.empty()) {
      t.Fail("argument", "a date condition needs a date");
    }
    t.Finish();
  }
}

void ReadAutoClose(Table& root, ProductSettings& s) {
  static constexpr std::pair<std::string_view, uint8_t> kPhaseBits[] = {
      {"install", 1}, {"uninstall", 2}, {"uninstall_after_confirm", 4}};
  for (Table& t : TableArray(root, "auto_close", kMaxListEntries)) {
    AutoCloseEntry& e = s.autoCloseEntries.emplace_back();
    e.phases = 3;
    Narrow(t, "window_class", e.window_class);
    Narrow(t, "window_title", e.window_title);
    if (e.window_class.empty() && e.window_title.empty() && !t.loader().Failed()) {
      t.Fail("window_class", "give window_class or window_title (or both)");
    }
    if (e.window_class == kAutoCloseEnd) t.Fail("window_class", "this text ends the list");
    Narrow(t, "name", e.display_name);
    Named(t, "action", kAutoCloseActionNames, 0, 255, e.action);
    if (t.Has("phases") &&
        (t.Has("install") || t.Has("uninstall") || t.Has("uninstall_after_confirm"))) {
      t.Fail("phases", "give the phases as a number or as switches, not both");
    }
    ModeBits(t, kPhaseBits, e.phases, "phases");
    t.Finish();
  }
}

// ---- Files ----

struct SourceChoice {
  std::filesystem::path path;
  std::string name;
  DateTime modified;
};

bool ChooseGroupFiles(Table& t, const ParseState& state, std::vector<SourceChoice>& chosen) {
  std::string folderText = state.sourceFolder;
  if (const toml::node* node = t.Get("source")) {
    if (!node->is_string()) {
      t.Fail("source", "expected the folder the files are taken from");
      return false;
    }
    folderText = node->as_string()->get();
  }
  const std::filesystem::path folder = t.loader().Resolve(folderText);

  std::string single;
  if (const toml::node* node = t.Get("path")) {
    if (!node->is_string() || node->as_string()->get().empty()) {
      t.Fail("path", "expected the path of one file");
      return false;
    }
    single = node->as_string()->get();
    if (t.Has("include") || t.Has("exclude") || t.Has("prefix")) {
      t.Fail("path",
             "a group names one file with 'path' or chooses files with 'include', not "
             "both");
      return false;
    }
    const std::filesystem::path file = folder / std::u8string(single.begin(), single.end());
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) {
      t.Fail("path", "file '" + PathText(file) + "' does not exist");
      return false;
    }
    SourceChoice choice;
    choice.path = file;
    const std::filesystem::path relative =
        std::filesystem::path(std::u8string(single.begin(), single.end())).lexically_normal();
    std::string name = relative.generic_string();
    if (relative.is_absolute() || name.substr(0, 3) == "../") {
      name = relative.filename().string();
    }
    std::replace(name.begin(), name.end(), '/', '\\');
    choice.name = name;
    choice.modified = ToDateTime(std::filesystem::last_write_time(file, ec));
    chosen.push_back(std::move(choice));
    return true;
  }

  std::vector<std::string> include{"**/*"};
  std::vector<std::string> exclude;
  StringList(t, "include", include);
  StringList(t, "exclude", exclude);
  std::string prefix;  // UTF-8 like the names it goes before; stored form made below
  Utf8(t, "prefix", prefix);
  if (t.loader().Failed()) return false;

  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) {
    t.Fail(t.Has("source") ? "source" : "include",
           "source folder '" + PathText(folder) + "' does not exist");
    return false;
  }
  std::vector<SourceFile> files;
  std::string error;
  if (!CollectSourceFiles(folder, files, error)) {
    t.Fail("source", error);
    return false;
  }
  for (SourceFile& file : files) {
    std::string relative = file.name;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    auto matches = [&](const std::string& pattern) { return MatchGlob(pattern, relative); };
    if (!std::any_of(include.begin(), include.end(), matches) ||
        std::any_of(exclude.begin(), exclude.end(), matches)) {
      continue;
    }
    SourceChoice choice;
    choice.path = file.path;
    choice.name = prefix.empty() ? file.name : prefix + "\\" + file.name;
    choice.modified = file.modified;
    chosen.push_back(std::move(choice));
  }
  if (chosen.empty()) {
    t.Fail(t.Has("include") ? "include" : "source",
           "no file in '" + PathText(folder) + "' matches this group");
    return false;
  }
  return true;
}

void ReadFileGroup(Table& t, const ParseState& state, const ProjectContext& context,
                   std::vector<PayloadFile>& out) {
  std::vector<SourceChoice> chosen;
  if (!ChooseGroupFiles(t, state, chosen)) return;

  PayloadFile entry;
  std::string name;
  const bool named = Narrow(t, "name", name);
  if (named && !t.Has("path")) t.Fail("name", "only a group with 'path' can rename its file");
  if (named && name.empty()) t.Fail("name", "an entry name cannot be empty");
  Named(t, "kind", kFileKindNames, 0, 12, entry.kind);
  if (entry.kind == 2 || entry.kind == 3) t.Fail("kind", "kinds 2 and 3 do not exist");

  Number(t, "flags", 0, 0xFFFFFFFF, entry.flags);
  if ((entry.flags & kEntryNamedFlags) != 0) {
    t.Fail("flags",
           "give the named bits by their keys (desktop, start_menu, overwrite, keep, "
           "in_uninstall_dir, uninstall_package)");
  }
  uint32_t overwrite = 0;
  Named(t, "overwrite", kOverwriteNames, 0, 7, overwrite);
  entry.flags |= overwrite << 2;
  for (auto [key, bit] : {std::pair<std::string_view, uint32_t>{"desktop", kEntryDesktop},
                          {"start_menu", kEntryStartMenu},
                          {"keep", kEntryKeepFlag},
                          {"in_uninstall_dir", kEntryUninstallDirFlag},
                          {"uninstall_package", kEntryUninstallPackage}}) {
    bool on = false;
    if (Bool(t, key, on) && on) entry.flags |= bit;
  }
  if ((entry.flags & kEntryUninstallPackage) != 0 && entry.kind != 11) {
    t.Fail("uninstall_package", "only for kind \"msi\"");
  }

  Bits(t, "attributes", kAttributeNames, 0xFFFFFFFF, entry.attributes);

  // The text field means one thing per kind; each meaning has its key, `text` takes any.
  struct TextKey {
    std::string_view key;
    bool (*fits)(uint32_t kind);
    const char* kinds;
  };
  static constexpr TextKey kTextKeys[] = {
      {"text", [](uint32_t) { return true; }, ""},
      {"shortcut_name", [](uint32_t k) { return k == 0 || k == 5; },
       "\"install_dir\" and \"shortcut\""},
      {"version", [](uint32_t k) { return k >= 6 && k <= 9; },
       "\"system\", \"com_server\", \"type_library\" and \"versioned\""},
      {"font_name", [](uint32_t k) { return k == 4; }, "\"font\""},
      {"applet_name", [](uint32_t k) { return k == 12; }, "\"control_panel\""},
  };
  bool textGiven = false;
  for (const TextKey& textKey : kTextKeys) {
    std::string text;
    if (!Utf8(t, textKey.key, text)) continue;
    if (textGiven) t.Fail(textKey.key, "the entry's text is already given by another key");
    if (!textKey.fits(entry.kind)) {
      t.Fail(textKey.key, std::string("only for kinds ") + textKey.kinds);
    }
    entry.text = std::move(text);
    textGiven = true;
  }
  if (Narrow(t, "icon", entry.icon) && (entry.flags & 3) == 0) {
    t.Fail("icon", "an icon is stored only for a shortcut on the desktop or in the Start Menu");
  }
  Narrow(t, "arguments", entry.command);
  Narrow(t, "working_dir", entry.extra);
  Narrow(t, "destination", entry.destination);
  if (Number(t, "msi_ui_level", 0, 0xFFFFFFFF, entry.msiUiLevel) && entry.kind != 11) {
    t.Fail("msi_ui_level", "only for kind \"msi\"");
  }
  DateTime date;
  const bool dated = Date(t, "date", date);
  t.Finish();
  if (t.loader().Failed()) return;

  for (SourceChoice& choice : chosen) {
    PayloadFile file = entry;
    file.name = named ? name : NarrowFromUtf8(choice.name);
    if (dated) {
      file.dateTime = date;
    } else {
      file.dateTime = choice.modified;
      if (context.clampFileDates && CompareDateTime(file.dateTime, context.buildTime) > 0) {
        file.dateTime = context.buildTime;
      }
    }
    std::string error;
    if (!ReadWholeFile(choice.path, file.content, error)) {
      t.Fail("source", error);
      return;
    }
    if (!textGiven && file.kind >= 6 && file.kind <= 9) {
      // The installer compares with the FileVersion text of the file it finds, so that text
      // (normalized the same way) is the stored version; the fixed number only stands in
      // when a file has no such text.
      if (std::optional<std::string> text = ReadFileVersionString(file.content)) {
        file.text = NormalizeFileVersionText(*text);
      } else if (std::optional<std::string> version = ReadFileVersion(file.content)) {
        file.text = *version;
      }
    }
    out.push_back(std::move(file));
  }
}

// ---- Languages ----

struct LanguageSource {
  std::string name;
  std::map<int32_t, std::u16string> texts;
};

// A [texts] table: numbers to texts.
void ReadTexts(Table& t, std::map<int32_t, std::u16string>& texts) {
  for (auto&& [key, node] : t.raw()) {
    int32_t number = -1;
    const std::string_view digits = key.str();
    auto [stop, problem] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (digits.empty() || problem != std::errc() || stop != digits.data() + digits.size() ||
        number < 0 || number >= kMaxTexts) {
      t.loader().Fail(key.source().begin.line, t.KeyPath(digits),
                      "texts are numbered from 0 to 9999");
      return;
    }
    std::u16string text;
    if (!Wide(t, digits, text)) return;
    std::string error;
    if (!text.empty() && !CheckTextArguments(number, Utf16ToUtf8(text), error)) {
      t.Fail(digits, error);
      return;
    }
    texts[number] = std::move(text);
  }
}

void ReadLanguageTable(Table& t, LanguageSource& language) {
  if ((!Narrow(t, "name", language.name) || language.name.empty()) && !t.loader().Failed()) {
    t.Fail("name", "a language needs a name");
  }
  if (std::optional<Table> texts = SubTable(t, "texts")) ReadTexts(*texts, language.texts);
  t.Finish();
}

bool ParseLanguageFile(Table& t, std::string_view key, const std::string& relative,
                       LanguageSource& language) {
  const std::filesystem::path path = t.loader().Resolve(relative);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    t.Fail(key, "language file '" + PathText(path) + "' does not exist");
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  // Messages name the language file as the project names it.
  const std::string display = PathText(std::filesystem::path(t.loader().File()).parent_path() /
                                       std::u8string(relative.begin(), relative.end()));
  toml::parse_result parsed = toml::parse(text.str(), display);
  if (parsed.failed()) {
    t.loader().SetError(display + ":" + std::to_string(parsed.error().source().begin.line) + ": " +
                        std::string(parsed.error().description()));
    return false;
  }
  std::string error;
  Loader loader(display, t.loader().Folder(), error);
  Table root(loader, parsed.table(), "");
  ReadLanguageTable(root, language);
  t.loader().SetError(error);
  return error.empty();
}

void ReadLanguages(Table& root, ProductSettings& s) {
  std::vector<LanguageSource> extra;
  if (const toml::node* node = root.Get("languages")) {
    const auto* array = node->as_array();
    if (array == nullptr) {
      root.Fail("languages", "expected an array of language files or [[languages]] tables");
      return;
    }
    for (size_t i = 0; i < array->size() && !root.loader().Failed(); ++i) {
      const toml::node& item = *array->get(i);
      const std::string key = "languages[" + std::to_string(i) + "]";
      LanguageSource& language = extra.emplace_back();
      if (item.is_string()) {
        ParseLanguageFile(root, "languages", item.as_string()->get(), language);
      } else if (item.is_table()) {
        Table table(root.loader(), *item.as_table(), key);
        if (const toml::node* file = table.Get("file")) {
          if (!file->is_string()) {
            table.Fail("file", "expected the path of a language file");
          } else {
            ParseLanguageFile(table, "file", file->as_string()->get(), language);
          }
          table.Finish();
        } else {
          ReadLanguageTable(table, language);
        }
      } else {
        root.Fail("languages", "expected a language file's path or a table");
      }
    }
  }
  std::map<int32_t, std::u16string> englishTexts;
  if (std::optional<Table> texts = SubTable(root, "texts")) ReadTexts(*texts, englishTexts);
  int32_t textCount = 0;
  const bool counted = Number(root, "text_count", 1, kMaxTexts, textCount);
  bool english = true;
  Bool(root, "english", english);
  if (root.loader().Failed()) return;

  const auto isEnglish = [](const LanguageSource& l) { return l.name == "English"; };
  auto listedEnglish = std::find_if(extra.begin(), extra.end(), isEnglish);
  if (listedEnglish != extra.end()) {
    for (auto& [number, text] : listedEnglish->texts) englishTexts[number] = text;
  }

  int32_t highest = englishTexts.empty() ? -1 : englishTexts.rbegin()->first;
  for (const LanguageSource& language : extra) {
    if (!language.texts.empty()) highest = std::max(highest, language.texts.rbegin()->first);
  }
  if (!counted) {
    textCount = std::max(BuiltInTextTableSize(), highest + 1);
  } else if (highest >= textCount) {
    root.Fail("text_count", "text " + std::to_string(highest) +
                                " is given, but the table holds "
                                "only " +
                                std::to_string(textCount) + " texts");
    return;
  }

  // The English column: the built-in wording under the project's own; every other language
  // falls back to it for the numbers it does not give.
  std::vector<std::u16string> fallback(static_cast<size_t>(textCount));
  for (const TextSpec& spec : BuiltInTexts()) {
    if (spec.number < textCount) fallback[spec.number] = Utf8ToUtf16(spec.english);
  }
  for (auto& [number, text] : englishTexts) fallback[number] = text;

  std::vector<LanguageSource> languages;
  if (english && listedEnglish == extra.end()) languages.push_back({"English", {}});
  for (LanguageSource& language : extra) languages.push_back(std::move(language));
  if (languages.empty()) {
    root.Fail("english", "without English the project must list its languages");
    return;
  }
  if (languages.size() > static_cast<size_t>(kMaxLanguages)) {
    root.Fail("languages", "at most 200 languages");
    return;
  }

  LanguageTable& table = s.languages;
  table.names.clear();
  for (const LanguageSource& language : languages) table.names.push_back(language.name);
  table.textCount = textCount;
  table.texts.clear();
  table.texts.reserve(static_cast<size_t>(textCount) * languages.size());
  for (int32_t number = 0; number < textCount; ++number) {
    for (const LanguageSource& language : languages) {
      auto found = language.texts.find(number);
      table.texts.push_back(found != language.texts.end() ? found->second : fallback[number]);
    }
  }
  table.defaultLanguage = 0;
  for (size_t i = 0; i < table.names.size(); ++i) {
    if (table.names[i] == "English") {
      table.defaultLanguage = i;
      break;
    }
  }
}

void ReadProject(Table& root, const ProjectContext& context, Project& project) {
  ProductSettings& s = project.settings;
  ParseState state;

  if (const toml::node* node = root.Get("stub")) {
    if (node->is_string()) {
      project.stub = root.loader().Resolve(node->as_string()->get()).string();
    } else {
      root.Fail("stub", "expected the path of the installer program");
    }
  }
  if (const toml::node* node = root.Get("output")) {
    if (node->is_string()) {
      project.output = root.loader().Resolve(node->as_string()->get()).string();
    } else {
      root.Fail("output", "expected the path of the installer to write");
    }
  }
  if (const toml::node* node = root.Get("source")) {
    if (node->is_string()) {
      state.sourceFolder = node->as_string()->get();
    } else {
      root.Fail("source", "expected the folder the files are taken from");
    }
  }

  s.productDate = context.buildTime;
  if (std::optional<Table> t = SubTable(root, "product")) {
    ReadProduct(*t, s);
  } else if (!root.loader().Failed()) {
    root.loader().Fail(1, "product.name", "the project needs [product] with a name");
  }
  if (root.loader().Failed()) return;
  s.TaskbarText = s.DisplayName + " Setup";
  s.DisplayTitle = FromBarNarrow(s.DisplayName, DecodeLatin1);

  if (std::optional<Table> t = SubTable(root, "options")) ReadOptions(*t, s, state);
  if (std::optional<Table> t = SubTable(root, "install")) ReadInstall(*t, s);
  if (std::optional<Table> t = SubTable(root, "uninstall")) ReadUninstall(*t, s);
  if (std::optional<Table> t = SubTable(root, "background")) ReadBackground(*t, s, state);
  if (std::optional<Table> t = SubTable(root, "pages")) ReadPages(*t, s);
  if (std::optional<Table> t = SubTable(root, "finish")) ReadFinish(*t, s);
  if (std::optional<Table> t = SubTable(root, "notify")) ReadNotify(*t, s);
  if (std::optional<Table> t = SubTable(root, "batches")) ReadBatches(*t, s);
  if (std::optional<Table> t = SubTable(root, "master")) {
    state.masterGiven = true;
    ReadMaster(*t, s);
  }
  if (std::optional<Table> t = SubTable(root, "advanced")) ReadAdvanced(*t, s);
  if (std::optional<Table> t = SubTable(root, "container")) {
    ReadContainer(*t, project.container, state);
  }
  ReadShortcuts(root, s);
  ReadAssociations(root, s);
  ReadSavedValues(root, s);
  ReadConditionalDeletes(root, s);
  ReadAutoClose(root, s);
  ReadLanguages(root, s);
  if (root.loader().Failed()) return;

  // The bits that follow from other settings.
  const auto set = [](uint64_t& word, uint64_t mask, bool on) {
    word = on ? word | mask : word & ~mask;
  };
  set(s.ProductFlags, kFlagCompressedBlocks, state.compress);
  set(s.ProductFlags, kFlagMasterProduct, state.masterGiven);
  if (!s.bitmap.empty()) {
    set(s.ProductFlags, kFlagBackgroundBitmap, state.bitmapInUninstaller.value_or(true));
  }
  project.container.compressBlocks = state.compress;
  project.container.productFlags2 = s.ProductFlags2;
  if (project.container.blowfishKey) s.ProductFlags2 |= kFlags2Enciphered;

  for (Table& group : TableArray(root, "files", INT32_MAX)) {
    ReadFileGroup(group, state, context, project.files);
    if (root.loader().Failed()) return;
  }
  root.Finish();
}

}  // namespace

bool ParseProject(std::string_view text, const std::string& path, const ProjectContext& context,
                  Project& project, std::string& error) {
  error.clear();
  project = Project{};
  project.settings = DefaultSettings();
  toml::parse_result parsed = toml::parse(text, path);
  if (parsed.failed()) {
    error = path + ":" + std::to_string(parsed.error().source().begin.line) + ": " +
            std::string(parsed.error().description());
    return false;
  }
  Loader loader(path, std::filesystem::path(path).parent_path(), error);
  Table root(loader, parsed.table(), "");
  ReadProject(root, context, project);
  if (error.empty()) {
    std::vector<uint8_t> stream;
    std::string problem;
    if (!WriteSettingsStream(project.settings, stream, problem)) {
      error = path + ": " + problem;
    }
  }
  return error.empty();
}

bool LoadProject(const std::string& path, Project& project, std::string& error) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  if (!in) {
    error = "cannot open project '" + path + "'";
    return false;
  }
  std::stringstream text;
  text << in.rdbuf();
  ProjectContext context;
  if (!BuildTimeFromEnvironment(context, error)) return false;
  return ParseProject(text.str(), path, context, project, error);
}

bool BuildInstaller(const Project& project, std::span<const uint8_t> stub,
                    std::vector<uint8_t>& installer, std::string& error) {
  std::vector<uint8_t> stream;
  if (!WriteSettingsStream(project.settings, stream, error)) return false;
  ContainerOptions options = project.container;
  options.productFlags2 = project.settings.ProductFlags2 & ~kFlags2Enciphered;
  options.compressBlocks = (project.settings.ProductFlags & kFlagCompressedBlocks) != 0;
  std::vector<uint8_t> payload;
  PayloadLayout layout;
  if (!BuildPayload(stream, project.files, options, payload, error, &layout)) return false;
  const bool checksumImage = (project.settings.ProductFlags & kFlagVerifyInstallerImage) != 0;
  // A product that reads its file data from the file needs the file to end with the payload.
  const SectionEnd end =
      project.settings.fileDataFromFile != 0 ? SectionEnd::kAtPayload : SectionEnd::kPadded;
  return BuildInstallerImage(stub, payload, checksumImage, layout.installerChecksumOffset,
                             installer, error, end);
}

}  // namespace qs::builder
