#include "base/text_win.h"

#include <windows.h>

#include <climits>

#include "base/text.h"

namespace qs {

std::u16string DecodeAnsi(std::string_view narrow) {
  std::wstring wide = AnsiToWide(narrow);
  return std::u16string(AsU16(wide));
}

std::wstring Widen(std::string_view narrow) {
  return std::wstring(AsWide(FromBarNarrow(narrow, DecodeAnsi)));
}

std::u16string U16(std::string_view narrow) {
  return FromBarNarrow(narrow, DecodeAnsi);
}

std::string Narrow(std::wstring_view wide) {
  return ToBarNarrow(AsU16(wide));
}

std::wstring AnsiToWide(std::string_view narrow) {
  if (narrow.empty() || narrow.size() > INT_MAX) return {};
  int length = static_cast<int>(narrow.size());
  int needed = ::MultiByteToWideChar(CP_ACP, 0, narrow.data(), length, nullptr, 0);
  if (needed <= 0) return {};
  std::wstring wide(static_cast<size_t>(needed), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, narrow.data(), length, wide.data(), needed);
  return wide;
}

std::string WideToAnsi(std::wstring_view wide) {
  if (wide.empty() || wide.size() > INT_MAX) return {};
  int length = static_cast<int>(wide.size());
  int needed = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string narrow(static_cast<size_t>(needed), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, wide.data(), length, narrow.data(), needed, nullptr, nullptr);
  return narrow;
}

std::string WideToUtf8(std::wstring_view wide) {
  return Utf16ToUtf8(AsU16(wide));
}

}  // namespace qs
