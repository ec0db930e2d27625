#pragma once
// Reading the project file's TOML tree: each table refuses the keys that no reader asked for
// (suggesting the key a typo meant), and each reader takes one key and checks its value.
// Messages point into the file with the line and the key. These are the project loader's
// own tools; the sections it reads are in project_file.cpp and the files beside it.
#define TOML_EXCEPTIONS 0
#define TOML_HEADER_ONLY 1
#define TOML_ENABLE_FORMATTERS 0
#include <toml++/toml.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/date_time.h"
#include "builder/project_names.h"
#include "core/product_settings.h"

namespace qs::builder::project {

// What a value is, for messages: "a string", "an integer", ...
std::string TypeName(const toml::node& node);
// The names for a message: "a", "b" or "c".
std::string ListNames(std::span<const NamedValue> names);
// A path as UTF-8 text, for messages.
std::string PathText(const std::filesystem::path& path);

inline uint32_t LineOf(const toml::node& node) {
  return node.source().begin.line;
}

// The file being read, the folder its relative paths start from, and the first error found
// (later ones are not recorded).
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
  void Finish();

  const toml::table& raw() const { return table_; }

 private:
  Loader& loader_;
  const toml::table& table_;
  std::string path_;
  std::set<std::string> known_;
};

// ---- Value readers. Each returns true when the key was given and is valid; a key that is
// given but wrong records the error. A text is a string, or { base64 = "..." } holding the
// stored bytes exactly. ----

// A narrow field of the settings or of an entry: ASCII as it is, other text as "|" + UTF-8.
bool Narrow(Table& t, std::string_view key, std::string& out);
// A narrow field of the settings as the installer reads it, decoded (ANSI as Latin-1); its bytes
// are kept for `field` when the text's own narrow form would be other bytes.
bool NarrowText(Table& t, std::string_view key, NarrowField field, std::u16string& text,
                StoredNarrowForms& kept);
// A narrow field stored as UTF-8 itself (an entry's text).
bool Utf8(Table& t, std::string_view key, std::string& out);
// A batch: the installer runs it in code page 1252.
bool Cp1252(Table& t, std::string_view key, std::string& out);
// A wide field; base64 gives its UTF-16 units, low byte first.
bool Wide(Table& t, std::string_view key, std::u16string& out);

bool Bool(Table& t, std::string_view key, bool& out);
bool Integer(Table& t, std::string_view key, int64_t min, int64_t max, int64_t& out);

template <typename T>
bool Number(Table& t, std::string_view key, int64_t min, int64_t max, T& out) {
  int64_t value = 0;
  if (!Integer(t, key, min, max, value)) return false;
  out = static_cast<T>(value);
  return true;
}

// A byte that is a switch: true, false or a number up to 255.
bool Switch(Table& t, std::string_view key, uint8_t& out);

// An unsigned word that may not fit a TOML integer: an integer, or a string "0x..." or
// decimal digits.
bool Word(Table& t, std::string_view key, uint64_t max, uint64_t& out);

// A double: a number, or { bits = "0x..." } for values TOML cannot write (NaN payloads).
bool Double(Table& t, std::string_view key, double& out);

// A colour: "#rrggbb", or the stored 0x00BBGGRR value as an integer.
bool Color(Table& t, std::string_view key, uint32_t& out);

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

// Bytes from a file (a path relative to the project) or inline { base64 = "..." }.
bool Blob(Table& t, std::string_view key, std::vector<uint8_t>& out);
// The documents shown by the licence or readme page: an array of up to 20 values as Blob
// takes them (a UTF-8 file is given a byte-order mark).
bool Documents(Table& t, std::string_view key, std::vector<std::vector<uint8_t>>& out);
bool StringList(Table& t, std::string_view key, std::vector<std::string>& out);

// A date: a TOML date-time (an offset is turned into UTC; a local one is taken as UTC), a date
// alone (no time of day), or the six stored numbers [year, month, day, hour, minute, second].
bool Date(Table& t, std::string_view key, DateTime& out);

// A table under `key`, with the keys its own readers allow.
std::optional<Table> SubTable(Table& t, std::string_view key);
// The tables of an array of tables ([[key]]), at most `most` of them.
std::vector<Table> TableArray(Table& t, std::string_view key, int64_t most);

}  // namespace qs::builder::project
