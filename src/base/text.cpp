#include "base/text.h"

#include <cstdint>

namespace qs {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

void AppendCodePoint(std::u16string& out, uint32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  const size_t size = utf8.size();
  size_t i = 0;
  while (i < size) {
    const uint8_t lead = static_cast<uint8_t>(utf8[i]);
    if (lead < 0x80) {
      out.push_back(lead);
      ++i;
      continue;
    }
    // Sequence length and the range of the second byte, which rules out overlong forms,
    // surrogates and values above U+10FFFF.
    int count = 0;
    uint8_t low = 0x80;
    uint8_t high = 0xBF;
    uint32_t cp = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      count = 1;
      cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      count = 2;
      cp = lead & 0x0F;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      count = 3;
      cp = lead & 0x07;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    // Take continuation bytes while they fit; a broken sequence becomes one replacement
    // character and decoding resumes at the byte that broke it.
    size_t next = i + 1;
    int taken = 0;
    while (taken < count && next < size) {
      const uint8_t byte = static_cast<uint8_t>(utf8[next]);
      const uint8_t min = taken == 0 ? low : 0x80;
      const uint8_t max = taken == 0 ? high : 0xBF;
      if (byte < min || byte > max) break;
      cp = (cp << 6) | (byte & 0x3F);
      ++taken;
      ++next;
    }
    if (taken == count) {
      AppendCodePoint(out, cp);
    } else {
      out.push_back(kReplacement);
    }
    i = next;
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  const size_t size = utf16.size();
  for (size_t i = 0; i < size; ++i) {
    const uint32_t unit = utf16[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < size && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (utf16[i + 1] - 0xDC00));
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      AppendUtf8(out, kReplacement);  // unpaired surrogate
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

std::u16string AsciiToUtf16(std::string_view ascii) {
  std::u16string wide;
  wide.reserve(ascii.size());
  for (char c : ascii) wide += static_cast<char16_t>(static_cast<uint8_t>(c));
  return wide;
}

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<uint8_t>(c) >= 0x80) return false;
  }
  return true;
}

bool IsAscii(std::u16string_view text) {
  for (char16_t c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

std::string ToBarNarrow(std::u16string_view wide) {
  // A pure-ASCII text that itself begins with "|" also takes the UTF-8 form: copied as it is,
  // the reader would take its bar for the marker and drop it.
  if (IsAscii(wide) && (wide.empty() || wide.front() != u'|')) {
    return std::string(wide.begin(), wide.end());
  }
  return "|" + Utf16ToUtf8(wide);
}

std::u16string FromBarNarrow(std::string_view narrow, AnsiDecoder decodeAnsi) {
  if (!narrow.empty() && narrow.front() == '|') return Utf8ToUtf16(narrow.substr(1));
  if (decodeAnsi == nullptr) return DecodeLatin1(narrow);
  return decodeAnsi(narrow);
}

std::u16string DecodeLatin1(std::string_view narrow) {
  std::u16string out;
  out.reserve(narrow.size());
  for (char c : narrow) out.push_back(static_cast<uint8_t>(c));
  return out;
}

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

char16_t AsciiLower(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

std::u16string AsciiLower(std::u16string_view text) {
  std::u16string lowered(text);
  for (char16_t& c : lowered) c = AsciiLower(c);
  return lowered;
}

bool EqualsIgnoreAsciiCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

bool StartsWithIgnoreAsciiCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         EqualsIgnoreAsciiCase(text.substr(0, prefix.size()), prefix);
}

bool StartsWithIgnoreAsciiCase(std::u16string_view text, std::u16string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    const char16_t a = text[i];
    const char16_t b = prefix[i];
    if (AsciiLower(a) != AsciiLower(b)) {
      return false;
    }
  }
  return true;
}

}  // namespace qs
