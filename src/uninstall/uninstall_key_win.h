#pragma once
// Writing the product's Add/Remove Programs registration at the end of an installation, and
// reading it back when the uninstaller starts.
#include <windows.h>

#include <string>
#include <string_view>

#include "core/install_run.h"
#include "uninstall/uninstall_key.h"

namespace qs {

// HKLM key of a product's registration (32-bit view), given its key name.
std::wstring UninstallKeyPathOf(std::u16string_view keyName);

// A string value of an open registration key in the narrow form the installer wrote it from:
// the ANSI text byte for byte when the code page holds it, otherwise "|" and UTF-8. Empty when
// missing.
std::string ReadUninstallKeyText(HKEY key, const wchar_t* name);

// Values 1 to 41 of the registration, in their order (with "product.ico"), then the check that
// "UninstallString" reads back as written; the install folder is then announced to the shell. False
// with the system error (0 when there is none) when the key could not be opened or the check
// failed; the caller reports it.
bool WriteUninstallKey(InstallRun& run, DWORD& error);

// The product's own values for the registration (value 42), then "InstallLocation" and
// "InstallDate". Failures go to run.failureSummary. A product without an uninstaller gets no
// registration: only the entries that name a key of their own (a name with a root, such as
// "\\HKCU\\Software\\Name\\Value") are written then.
void WriteUninstallKeyTail(InstallRun& run);

// Reads the values of an open registration key; missing values take their defaults.
// `productName` is the name given with /u: (the default of "DisplayName").
UninstallKeyValues LoadUninstallKey(HKEY key, std::u16string_view productName);

}  // namespace qs
