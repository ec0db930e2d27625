#pragma once
// The licence and readme documents as the pages show them.
#include <cstdint>
#include <string>
#include <vector>

#include "base/text.h"

namespace qs {

// A document that starts with FF FE is UTF-16 (little-endian), one with EF BB BF is UTF-8,
// anything else is in the product's code page. The mark itself is not part of the text.
std::u16string DecodeDocument(const std::vector<uint8_t>& bytes, AnsiDecoder decodeAnsi);

// A text as a UTF-16 document: FF FE followed by the text.
std::vector<uint8_t> Utf16Document(std::u16string_view text);

}  // namespace qs
