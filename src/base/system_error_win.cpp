#include "base/system_error_win.h"

#include "base/text_win.h"

namespace qs {
namespace {

bool FormatSystemMessage(DWORD code, DWORD language, std::wstring& text) {
  wchar_t* buffer = nullptr;
  DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, language, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  if (length == 0 || buffer == nullptr) return false;
  text.assign(buffer, length);
  ::LocalFree(buffer);
  return true;
}

}  // namespace

std::wstring SystemErrorTextWide(DWORD code) {
  std::wstring text;
  // A system without the message in the user's language falls back to its own search order.
  if (!FormatSystemMessage(code, LANG_USER_DEFAULT, text)) FormatSystemMessage(code, 0, text);
  size_t end = text.find_last_not_of(L" \t\r\n");
  text.erase(end == std::wstring::npos ? 0 : end + 1);
  return text;
}

std::u16string SystemErrorU16(DWORD code) {
  return std::u16string(AsU16(SystemErrorTextWide(code)));
}

std::string SystemErrorText(DWORD code) {
  return WideToAnsi(SystemErrorTextWide(code));
}

}  // namespace qs
