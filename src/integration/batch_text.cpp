#include "integration/batch_text.h"

#include "base/text.h"

namespace qs {
namespace {

// The characters of bytes 0x80 to 0x9F. The five bytes code page 1252 leaves undefined stand
// for the control characters of the same number, as the system's own conversion has them.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

char CodePage1252Byte(char16_t unit) {
  if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<char>(unit);
  for (int index = 0; index < 32; ++index) {
    if (kHighControls[index] == unit) return static_cast<char>(0x80 + index);
  }
  return '?';
}

bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

std::string EncodeCodePage1252(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    out.push_back(CodePage1252Byte(text[i]));
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) ++i;
  }
  return out;
}

std::string EncodeBatchText(std::u16string_view text, bool utf8Batches) {
  if (utf8Batches && !IsAscii(text)) return "@chcp 65001 >nul\r\n" + Utf16ToUtf8(text);
  return "@chcp 1252 >nul\r\n" + EncodeCodePage1252(text);
}

}  // namespace qs
