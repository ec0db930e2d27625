#pragma once
// The bytes of a batch file as the command interpreter reads them. The interpreter decodes a
// batch in its console code page, so the file names the code page it is written in on its
// first line.
#include <string>
#include <string_view>

namespace qs {

// Code page 1252; a character it cannot hold becomes "?" (one "?" for a surrogate pair).
std::string EncodeCodePage1252(std::u16string_view text);

// "@chcp 65001 >nul\r\n" and the UTF-8 text when the text holds a character outside ASCII and
// the interpreter reads UTF-8 batches (`utf8Batches`: Windows 7 and later); otherwise
// "@chcp 1252 >nul\r\n" and the text in code page 1252.
std::string EncodeBatchText(std::u16string_view text, bool utf8Batches);

}  // namespace qs
