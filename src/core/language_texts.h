#pragma once
// The product's texts in the chosen language: lookup by number with the placeholders
// "<product>", "<description>" and "<os>", the language used before any choice, and the line
// the language page selects first.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "base/text_format.h"
#include "core/product_settings.h"

namespace qs {

struct PlaceholderValues {
  std::u16string product;
  std::u16string description;
  std::u16string os;  // the Windows folder
};

struct NarrowPlaceholderValues {
  std::string product;
  std::string description;
  std::string os;
};

// Replaces every "<product>", then every "<description>", then every "<os>".
std::u16string ReplacePlaceholders(std::u16string_view text, const PlaceholderValues& values);
std::string ReplacePlaceholders(std::string_view text, const NarrowPlaceholderValues& values);

// The index of the language named "English", else 0.
size_t InitialLanguage(const std::vector<std::string>& names);

// The language page: one line per language, a tab followed by its name.
std::vector<std::u16string> LanguagePageLines(const std::vector<std::string>& names,
                                              AnsiDecoder decodeAnsi);
// The line selected first: the user's own language (its native name cut before "(" and
// trimmed), else "\tEnglish", else the first line.
size_t PreselectedLanguageLine(const std::vector<std::u16string>& lines,
                               std::u16string_view nativeLanguageName);

// The texts of one run: the table, the language in use and the placeholder values.
class LanguageTexts {
 public:
  LanguageTexts() = default;
  LanguageTexts(const LanguageTable* table, PlaceholderValues values)
      : table_(table),
        current_(table != nullptr ? table->defaultLanguage : 0),
        values_(std::move(values)) {}

  // Text `number` in the current language with its placeholders replaced; empty when the
  // number lies outside the table.
  std::u16string Get(int32_t number) const;
  // Text `number` used as a format: placeholders replaced (a "%" in their values stays a
  // literal percent), then the arguments put in. False when the text is empty or does not
  // take these arguments; the caller then uses its own wording.
  bool Format(int32_t number, std::initializer_list<FormatArgument> arguments,
              std::u16string& out) const;
  // As stored, without placeholders replaced; empty outside the table.
  std::u16string_view Raw(int32_t number) const;

  size_t Current() const { return current_; }
  void Choose(size_t language) {
    if (table_ != nullptr && language < table_->names.size()) current_ = language;
  }

 private:
  const LanguageTable* table_ = nullptr;
  size_t current_ = 0;
  PlaceholderValues values_;
};

}  // namespace qs
