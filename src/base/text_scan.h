#pragma once
// Small scanning helpers for the texts the program reads (settings fields, record lines,
// paths, version texts). ASCII rules only: no locale ever changes what counts as a digit, a
// letter or a blank.
#include <cstdint>
#include <string_view>

namespace qs {

// '0' to '9'.
constexpr bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The letter of a drive as in "C:": 'A' to 'Z' or 'a' to 'z', nothing else.
constexpr bool IsDriveLetter(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// Without the spaces and tabs at both ends: blanks within one line.
std::string_view TrimBlanks(std::string_view text);
std::u16string_view TrimBlanks(std::u16string_view text);

// Without the spaces, tabs, carriage returns and line feeds at both ends.
std::string_view TrimWhiteSpace(std::string_view text);
std::u16string_view TrimWhiteSpace(std::u16string_view text);
std::wstring_view TrimWhiteSpace(std::wstring_view text);

// The decimal digits at the start of `text` as a number, up to the first other character; 0
// when it does not start with a digit. A number above 4294967295 reads as 4294967295, so that
// one too large for its field never wraps around to a small one that looks valid.
uint32_t LeadingNumber(std::string_view text);
uint32_t LeadingNumber(std::u16string_view text);

}  // namespace qs
