#include "builder/project_sections.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <map>
#include <sstream>

#include "base/text.h"
#include "builder/default_texts.h"
#include "builder/toml_text.h"

namespace qs::builder::project {
namespace {

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
  int line = 0;
  if (std::string problem = FindUnsafeTomlCharacter(text.str(), line); !problem.empty()) {
    t.loader().SetError(display + ":" + std::to_string(line) + ": " + problem);
    return false;
  }
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

}  // namespace

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

}  // namespace qs::builder::project
