#include "uninstall/uninstall_record_win.h"

namespace qs {

bool SaveUninstallData(const std::string&, std::string_view, const UninstallRecord&, std::string&) {
  return true;
}
UninstallRecord InstallationRecord(const InstallRun&) {
  return {};
}
bool LoadUninstallData(const std::string&, const std::string&, UninstallRecord&) {
  return false;
}

}  // namespace qs
