// [MSI] lines: the package path and its user-interface level.
#include "integration/package_line.h"

#include <gtest/gtest.h>

namespace qs {
namespace {

TEST(PackageLine, PackageAndLevel) {
  struct Case {
    const char* line;
    std::optional<PackageLine> package;
  };
  const Case cases[] = {
      {"\"C:\\App\\setup.msi\",2", PackageLine{"C:\\App\\setup.msi", 2}},
      {"  \" C:\\App\\setup.msi \" , 5 ", PackageLine{"C:\\App\\setup.msi", 5}},
      // The last comma separates the level: a comma in the path stays.
      {"\"C:\\A,B\\setup.msi\",3", PackageLine{"C:\\A,B\\setup.msi", 3}},
      {"|C:\\Caf\xc3\xa9\\p.msi,4", PackageLine{"|C:\\Caf\xc3\xa9\\p.msi", 4}},
      {"\"C:\\p.msi\",", PackageLine{"C:\\p.msi", 0}},
      {"\"C:\\p.msi\",x", PackageLine{"C:\\p.msi", 0}},
      {"\"C:\\p.msi\",-1", PackageLine{"C:\\p.msi", -1}},
      {"\"C:\\p.msi\"", std::nullopt},
      {"\"\",2", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParsePackageLine(c.line), c.package) << c.line;
  }
}

}  // namespace
}  // namespace qs
