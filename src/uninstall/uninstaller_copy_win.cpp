#include "uninstall/uninstaller_copy_win.h"

namespace qs {

void WriteUninstaller(const PayloadContext&, InstallRun&) {}
void WriteUninstallerIconFile(InstallRun&) {}
bool WriteProductIconFile(InstallRun&, std::string&) {
  return false;
}

}  // namespace qs
