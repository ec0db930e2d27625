#pragma once
// Narrow and wide texts. Narrow texts are in the ANSI code page, except that a narrow text
// beginning with "|" carries UTF-8 after the bar; that is how a wide text that is not pure
// ASCII travels through narrow fields (settings, command line, uninstall record).
// Portable code holds wide texts as UTF-16 in std::u16string; the Win32 side views them as
// std::wstring (same unit size there).
#include <string>
#include <string_view>

namespace qs {

// UTF-8 <-> UTF-16. Malformed input becomes U+FFFD; never reads past the input.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// ASCII text (literals, numbers) as UTF-16; every byte becomes its own unit.
std::u16string AsciiToUtf16(std::string_view ascii);

bool IsAscii(std::string_view text);
bool IsAscii(std::u16string_view text);

// Wide to narrow: a copy when every unit is ASCII, otherwise "|" followed by the UTF-8 form.
std::string ToBarNarrow(std::u16string_view wide);

// Narrow to wide: a text beginning with "|" is UTF-8 after the bar; any other text is decoded
// by `decodeAnsi` (the ANSI code page on Windows).
using AnsiDecoder = std::u16string (*)(std::string_view);
std::u16string FromBarNarrow(std::string_view narrow, AnsiDecoder decodeAnsi);

// Latin-1 decoding: the ANSI decoder used where no code page is at hand (tools, tests).
std::u16string DecodeLatin1(std::string_view narrow);

// ASCII-only case folding and comparison; the installer never folds other characters.
char AsciiLower(char c);
char16_t AsciiLower(char16_t c);
std::string AsciiLower(std::string_view text);
std::u16string AsciiLower(std::u16string_view text);
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);
bool EqualsIgnoreAsciiCase(std::u16string_view a, std::u16string_view b);
bool StartsWithIgnoreAsciiCase(std::string_view text, std::string_view prefix);
bool StartsWithIgnoreAsciiCase(std::u16string_view text, std::u16string_view prefix);

}  // namespace qs
