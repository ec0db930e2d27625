#include "files/install_log_win.h"

namespace qs {

bool WriteInstallLogFile(const InstallRun&, const std::string&, bool) {
  return false;
}

void OpenInstallLog(const InstallRun&) {}

}  // namespace qs
