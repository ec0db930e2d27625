#pragma once
// The system's text for an error code, as logs and messages quote it.
#include <windows.h>

#include <string>

namespace qs {

// The system message in the user's default language, trailing white space removed; empty when
// the system has no text for the code.
std::wstring SystemErrorTextWide(DWORD code);
// The same text as the portable code holds texts, for logs and failure summaries.
std::u16string SystemErrorU16(DWORD code);
// The same text in the ANSI code page, for narrow messages.
std::string SystemErrorText(DWORD code);

}  // namespace qs
