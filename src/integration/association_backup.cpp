#include "integration/association_backup.h"

namespace qs {

std::string AssociationBackupName(std::string_view productName) {
  std::string name;
  for (char c : std::string(productName) + " Backup") {
    if (c != '\\' && c != '\r' && c != '\n' && c != '\t') name.push_back(c);
  }
  return name;
}

}  // namespace qs
