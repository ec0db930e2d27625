#include "uninstall/uninstall_key_win.h"

#include "base/text_win.h"

namespace qs {

std::wstring UninstallKeyPathOf(std::string_view keyName) {
  return Widen(std::string(kUninstallKeyRoot) + "\\" + std::string(keyName));
}
bool WriteUninstallKey(InstallRun&, DWORD& error) {
  error = 0;
  return true;
}
void WriteUninstallKeyTail(InstallRun&) {}
UninstallKeyValues LoadUninstallKey(HKEY, std::string_view productName) {
  UninstallKeyValues values;
  values.displayName = std::string(productName);
  return values;
}

}  // namespace qs
