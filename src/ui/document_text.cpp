#include "ui/document_text.h"

#include <string_view>

namespace qs {

std::u16string DecodeDocument(const std::vector<uint8_t>& bytes, AnsiDecoder decodeAnsi) {
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    std::u16string text;
    text.reserve((bytes.size() - 2) / 2);
    // An odd last byte is no character and is dropped.
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    return text;
  }
  std::string_view narrow(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (narrow.size() >= 3 && narrow.substr(0, 3) == "\xEF\xBB\xBF") {
    return Utf8ToUtf16(narrow.substr(3));
  }
  return decodeAnsi(narrow);
}

std::vector<uint8_t> Utf16Document(std::u16string_view text) {
  std::vector<uint8_t> bytes{0xFF, 0xFE};
  bytes.reserve(2 + text.size() * 2);
  for (char16_t c : text) {
    bytes.push_back(static_cast<uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  return bytes;
}

}  // namespace qs
