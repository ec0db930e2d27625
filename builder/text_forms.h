#pragma once
// The forms texts and bytes take on their way from the project file (UTF-8, with bytes in
// base64) to the settings stream (narrow fields, batches in code page 1252), and back for the
// printer.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qs::builder {

// Standard base64 with padding: how the project file holds bytes inline.
std::string Base64Encode(std::span<const uint8_t> bytes);
// The bytes of a base64 text. White space is skipped (printed projects wrap long values);
// padding is optional. False when the text is not base64.
bool Base64Decode(std::string_view text, std::vector<uint8_t>& bytes);

bool IsValidUtf8(std::string_view text);

// The conversions of narrow texts between the project (UTF-8) and the settings stream.
// Narrow fields hold the ANSI code page, or "|" and UTF-8 for text that is not plain ASCII.
std::string NarrowFromUtf8(std::string_view utf8);
// The UTF-8 text that NarrowFromUtf8 turns back into exactly `stored`, if there is one.
bool Utf8FromNarrow(std::string_view stored, std::string& utf8);
// The bytes a narrow text with a ProductSettings::storedForms entry is written as: the bytes
// kept, while they still decode (ANSI taken as Latin-1, as the tools read it) to `text`;
// otherwise the text's own narrow form.
std::string StoredNarrow(const std::string& stored, std::u16string_view text);
// Batch texts are run in code page 1252: false when a character has no place there.
bool Cp1252FromUtf8(std::string_view utf8, std::string& stored);
bool Utf8FromCp1252(std::string_view stored, std::string& utf8);

}  // namespace qs::builder
