#include "uninstall/uninstall_win.h"

#include <windows.h>

#include <string>

#include "base/handle_win.h"
#include "base/text_win.h"
#include "ui/messages_win.h"

namespace qs {
namespace {

constexpr wchar_t kUninstallRoot[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The record is kept in the 32-bit view, where the installer (a 32-bit program) wrote it.
LONG OpenUninstallKey(const std::wstring& path, REGSAM access, UniqueRegKey& key) {
  return ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, access | KEY_WOW64_32KEY,
                         key.Receive());
}

}  // namespace

bool Uninstall(std::string_view productName) {
  // The name is a narrow text; one that begins with "|" names the key in UTF-8.
  std::wstring name = Widen(productName);
  std::wstring path = kUninstallRoot + name;

  // Full access first: a product this account may not remove is refused before anything is
  // shown or changed.
  UniqueRegKey fullAccess;
  LONG status = OpenUninstallKey(path, KEY_ALL_ACCESS, fullAccess);
  if (status != ERROR_SUCCESS) {
    if (status == ERROR_ACCESS_DENIED) {
      ShowError(
          L"Permission denied.  Please login with an administrator account before "
          L"uninstalling.");
    } else {
      ShowError(L"No product named '" + name + L"' is installed.");
    }
    return false;
  }

  UniqueRegKey key;
  if (OpenUninstallKey(path, KEY_READ | KEY_WRITE, key) != ERROR_SUCCESS) {
    ShowError(L"Unable to access the uninstall information for:\r\n" + name +
              L"\r\n\r\nThe uninstallation cannot be performed.");
    return false;
  }

  // The record is readable; removing what it lists is not done by this version.
  return false;
}

}  // namespace qs
