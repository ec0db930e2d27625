#include "base/version_compare.h"

#include <gtest/gtest.h>

namespace qs {
namespace {

int Sign(int value) {
  return (value > 0) - (value < 0);
}

TEST(CompareVersionsTest, OrdersVersions) {
  struct Case {
    const char* a;
    const char* b;
    int expected;  // sign
  };
  const Case cases[] = {
      {"1.10", "1.9", 1},
      {"2.0.1", "2.0", 1},
      {"1.2b", "1.2a", 1},
      {"1.2a", "1.2", 1},
      {".5", "0.5", 0},
      {"29.0.6", "29.0.6", 0},
      {"29.0.5", "29.0.6", -1},
      {"1.02", "1.2", 0},        // numeric value, not text
      {"v1.2", "1.2", 1},        // the v is a suffix letter
      {"1.2 (beta)", "1.2", 1},  // last letter "a" wins as suffix
      {"1-2", "1.2", 0},         // separators other than "." are skipped
      {"2", "2.0", -1},          // the longer list is greater
      {"", "", 0},
      {"", "0", -1},
      {"", "a", -1},
      {"1.2.", "1.2", 0},  // a "." after a number adds nothing
      // Numbers longer than any integer type still compare by value.
      {"1.99999999999999999999999", "1.100000000000000000000000", -1},
      {"1.000000000000000000000000000007", "1.7", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Sign(CompareVersions(c.a, c.b)), c.expected) << c.a << " vs " << c.b;
    EXPECT_EQ(Sign(CompareVersions(c.b, c.a)), -c.expected) << c.b << " vs " << c.a;
  }
}

TEST(VersionCompare, FileVersionTextIsNormalized) {
  EXPECT_EQ(NormalizeFileVersionText(" \t5, 81, 4704, 1100\r\n"), "5. 81. 4704. 1100");
  EXPECT_EQ(NormalizeFileVersionText("4.03.1998"), "4.03.1998");
  EXPECT_EQ(NormalizeFileVersionText(" \r\n"), "");
  EXPECT_EQ(CompareVersions(NormalizeFileVersionText("1,2,3"), "1.2.3"), 0);
}

}  // namespace
}  // namespace qs
