#include "base/text_scan.h"

#include <limits>

namespace qs {
namespace {

template <typename Char>
bool IsBlank(Char c) {
  return c == Char(' ') || c == Char('\t');
}

template <typename Char>
bool IsWhiteSpace(Char c) {
  return IsBlank(c) || c == Char('\r') || c == Char('\n');
}

template <typename Char, typename Strip>
std::basic_string_view<Char> Trim(std::basic_string_view<Char> text, Strip strip) {
  while (!text.empty() && strip(text.front())) text.remove_prefix(1);
  while (!text.empty() && strip(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  return Trim(text, IsBlank<char>);
}

std::u16string_view TrimBlanks(std::u16string_view text) {
  return Trim(text, IsBlank<char16_t>);
}

std::string_view TrimWhiteSpace(std::string_view text) {
  return Trim(text, IsWhiteSpace<char>);
}

std::u16string_view TrimWhiteSpace(std::u16string_view text) {
  return Trim(text, IsWhiteSpace<char16_t>);
}

std::wstring_view TrimWhiteSpace(std::wstring_view text) {
  return Trim(text, IsWhiteSpace<wchar_t>);
}

namespace {

template <typename Char>
uint32_t LeadingNumberOf(std::basic_string_view<Char> text) {
  constexpr uint32_t kLargest = std::numeric_limits<uint32_t>::max();
  uint32_t value = 0;
  for (Char c : text) {
    if (c < '0' || c > '9') break;
    const uint32_t digit = static_cast<uint32_t>(c - '0');
    // value * 10 + digit would pass the largest number; more digits only make it larger.
    if (value > (kLargest - digit) / 10) return kLargest;
    value = value * 10 + digit;
  }
  return value;
}

}  // namespace

uint32_t LeadingNumber(std::string_view text) {
  return LeadingNumberOf(text);
}

uint32_t LeadingNumber(std::u16string_view text) {
  return LeadingNumberOf(text);
}

}  // namespace qs
