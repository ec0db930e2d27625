#include "builder/text_forms.h"

#include <algorithm>
#include <iterator>

#include "base/text.h"

namespace qs::builder {
namespace {

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

std::string StoredNarrow(const std::string& stored, std::u16string_view text) {
  return !stored.empty() && FromBarNarrow(stored, DecodeLatin1) == text ? stored
                                                                        : ToBarNarrow(text);
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

}  // namespace qs::builder
