#include "integration/association_backup.h"

namespace qs {

std::u16string AssociationBackupName(std::u16string_view productName) {
  std::u16string name;
  for (char16_t c : std::u16string(productName) + u" Backup") {
    if (c != u'\\' && c != u'\r' && c != u'\n' && c != u'\t') name.push_back(c);
  }
  return name;
}

}  // namespace qs
