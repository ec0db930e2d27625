#include "files/shared_files.h"

#include <cstdint>
#include <utility>

namespace qs {
namespace {

// The texts between the pairs of double quotation marks, in order, a doubled quote inside
// standing for one. Whatever lies between the pairs (the ";" separators, a trailing ";") is
// passed over; an entry whose closing quote is missing is not taken.
std::vector<std::string> QuotedTexts(std::string_view text) {
  std::vector<std::string> entries;
  size_t i = 0;
  for (;;) {
    const size_t open = text.find('"', i);
    if (open == std::string_view::npos) break;
    std::string entry;
    bool closed = false;
    size_t j = open + 1;
    while (j < text.size()) {
      if (text[j] != '"') {
        entry.push_back(text[j++]);
      } else if (j + 1 < text.size() && text[j + 1] == '"') {
        entry.push_back('"');
        j += 2;
      } else {
        closed = true;
        ++j;
        break;
      }
    }
    if (!closed) break;
    entries.push_back(std::move(entry));
    i = j;
  }
  return entries;
}

// A path in the "|" form is UTF-8, where 0xA9 is also a continuation byte (the last byte of
// "©", "é" and many other characters). It is a marker only when the path before it ends with
// a whole character.
bool EndsWithWholeUtf8Character(std::string_view text) {
  size_t i = text.size();
  size_t continuation = 0;
  while (i > 0 && continuation < 3 && (static_cast<uint8_t>(text[i - 1]) & 0xC0) == 0x80) {
    --i;
    ++continuation;
  }
  if (i == 0) return true;
  const uint8_t lead = static_cast<uint8_t>(text[i - 1]);
  // ASCII, or stray continuation bytes that no character can own: nothing is cut.
  if (lead < 0xC0) return true;
  const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
  return continuation + 1 >= length;
}

}  // namespace

SharedFileEntry SplitSharedMarker(std::string_view pathWithMarker) {
  if (pathWithMarker.empty()) return {};
  const char last = pathWithMarker.back();
  std::string_view path = pathWithMarker.substr(0, pathWithMarker.size() - 1);
  if (last == kSharedComServer || last == kSharedPermanent) return {std::string(path), last};
  if (last == kSharedTypeLibrary) {
    const bool utf8 = pathWithMarker.front() == '|';
    if (!utf8 || EndsWithWholeUtf8Character(path)) return {std::string(path), last};
  }
  return {std::string(pathWithMarker), 0};
}

std::string QuoteSharedEntry(std::string_view pathWithMarker) {
  std::string quoted = "\"";
  for (char c : pathWithMarker) {
    if (c == '"') quoted.push_back('"');
    quoted.push_back(c);
  }
  quoted.push_back('"');
  return quoted;
}

bool ListsSharedEntry(std::string_view text, std::string_view pathWithMarker) {
  for (const std::string& entry : QuotedTexts(text)) {
    if (entry == pathWithMarker) return true;
  }
  return false;
}

void AppendSharedEntry(std::string& text, std::string_view pathWithMarker) {
  if (!text.empty()) text.push_back(';');
  text += QuoteSharedEntry(pathWithMarker);
}

std::vector<SharedFileEntry> ParseSharedFiles(std::string_view text) {
  std::vector<SharedFileEntry> entries;
  for (const std::string& quoted : QuotedTexts(text)) {
    SharedFileEntry entry = SplitSharedMarker(quoted);
    if (!entry.path.empty()) entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace qs
