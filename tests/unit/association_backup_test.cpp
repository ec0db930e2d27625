// The name of an association's backup value.
#include "integration/association_backup.h"

#include <gtest/gtest.h>

namespace qs {
namespace {

TEST(AssociationBackup, NameWithoutSeparatorsOrLineBreaks) {
  EXPECT_EQ(AssociationBackupName("Tool"), "Tool Backup");
  EXPECT_EQ(AssociationBackupName("A\\B\r\nC\tD"), "ABCD Backup");
  EXPECT_EQ(AssociationBackupName(""), " Backup");
  EXPECT_EQ(AssociationBackupName("|Caf\xc3\xa9"), "|Caf\xc3\xa9 Backup");
}

}  // namespace
}  // namespace qs
