#include "core/language_texts.h"

#include "base/text_scan.h"

namespace qs {
namespace {

template <typename Char>
void ReplaceAllIn(std::basic_string<Char>& text, std::basic_string_view<Char> from,
                  std::basic_string_view<Char> to) {
  for (size_t at = text.find(from); at != std::basic_string<Char>::npos; at = text.find(from, at)) {
    text.replace(at, from.size(), to);
    at += to.size();
  }
}

template <typename Char, typename Values>
std::basic_string<Char> Replace(std::basic_string_view<Char> text, const Values& values,
                                const Char* product, const Char* description, const Char* os) {
  std::basic_string<Char> result(text);
  ReplaceAllIn<Char>(result, product, values.product);
  ReplaceAllIn<Char>(result, description, values.description);
  ReplaceAllIn<Char>(result, os, values.os);
  return result;
}

}  // namespace

std::u16string ReplacePlaceholders(std::u16string_view text, const PlaceholderValues& values) {
  return Replace<char16_t>(text, values, u"<product>", u"<description>", u"<os>");
}

std::string ReplacePlaceholders(std::string_view text, const NarrowPlaceholderValues& values) {
  return Replace<char>(text, values, "<product>", "<description>", "<os>");
}

size_t InitialLanguage(const std::vector<std::string>& names) {
  for (size_t i = 0; i < names.size(); ++i) {
    if (names[i] == "English") return i;
  }
  return 0;
}

std::vector<std::u16string> LanguagePageLines(const std::vector<std::string>& names,
                                              AnsiDecoder decodeAnsi) {
  std::vector<std::u16string> lines;
  lines.reserve(names.size());
  for (const std::string& name : names) lines.push_back(u"\t" + decodeAnsi(name));
  return lines;
}

size_t PreselectedLanguageLine(const std::vector<std::u16string>& lines,
                               std::u16string_view nativeLanguageName) {
  std::u16string_view name = nativeLanguageName.substr(0, nativeLanguageName.find(u'('));
  name = TrimWhiteSpace(name);
  std::u16string own = u"\t" + std::u16string(name);
  for (std::u16string_view wanted : {std::u16string_view(own), std::u16string_view(u"\tEnglish")}) {
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lines[i] == wanted) return i;
    }
  }
  return 0;
}

std::u16string_view LanguageTexts::Raw(int32_t number) const {
  if (table_ == nullptr) return {};
  const std::u16string* text = table_->Find(number, current_);
  return text != nullptr ? std::u16string_view(*text) : std::u16string_view();
}

bool LanguageTexts::Format(int32_t number, std::initializer_list<FormatArgument> arguments,
                           std::u16string& out) const {
  std::u16string_view raw = Raw(number);
  if (raw.empty()) return false;
  auto escape = [](std::u16string value) {
    ReplaceAllIn<char16_t>(value, u"%", u"%%");
    return value;
  };
  PlaceholderValues escaped{escape(values_.product), escape(values_.description),
                            escape(values_.os)};
  return FormatText(ReplacePlaceholders(raw, escaped), arguments, out);
}

std::u16string LanguageTexts::Get(int32_t number) const {
  return ReplacePlaceholders(Raw(number), values_);
}

}  // namespace qs
