// The name of an association's backup value.
#include "integration/association_backup.h"

#include <gtest/gtest.h>

namespace qs {
namespace {

TEST(AssociationBackup, NameWithoutSeparatorsOrLineBreaks) {
  EXPECT_EQ(AssociationBackupName(u"Tool"), u"Tool Backup");
  EXPECT_EQ(AssociationBackupName(u"A\\B\r\nC\tD"), u"ABCD Backup");
  EXPECT_EQ(AssociationBackupName(u""), u" Backup");
  EXPECT_EQ(AssociationBackupName(u"Caf\u00e9 \u4e2d"), u"Caf\u00e9 \u4e2d Backup");
}

}  // namespace
}  // namespace qs
