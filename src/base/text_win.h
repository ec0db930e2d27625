#pragma once
// Conversions between the program's narrow texts and the wide texts of the system calls.
// Narrow texts follow the "|" convention of base/text.h: "|" + UTF-8, or the ANSI code page.
#include <string>
#include <string_view>

namespace qs {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

// The portable code's UTF-16 texts and the system's wide texts are the same units.
inline std::wstring_view AsWide(std::u16string_view text) {
  return {reinterpret_cast<const wchar_t*>(text.data()), text.size()};
}
inline std::u16string_view AsU16(std::wstring_view text) {
  return {reinterpret_cast<const char16_t*>(text.data()), text.size()};
}

// ANSI code page -> UTF-16; the decoder FromBarNarrow needs on Windows.
std::u16string DecodeAnsi(std::string_view narrow);

// Narrow ("|" convention) -> wide.
std::wstring Widen(std::string_view narrow);
std::u16string U16(std::string_view narrow);
// Wide -> narrow: a copy when ASCII, otherwise "|" + UTF-8.
std::string Narrow(std::wstring_view wide);

// Plain code-page conversions, for texts that never carry the bar (the command line, system
// messages). Characters the ANSI code page lacks become its default character.
std::wstring AnsiToWide(std::string_view narrow);
std::string WideToAnsi(std::wstring_view wide);

std::string WideToUtf8(std::wstring_view wide);

}  // namespace qs
