// The registry script as the uninstaller reads it back: records, their fields with quoting, and
// the key paths with their roots.
#include "integration/registry_script.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qs {
namespace {

using Records = std::vector<std::vector<std::string>>;

TEST(RegistryScript, RecordsAndFields) {
  struct Case {
    const char* script;
    Records records;
  };
  const Case cases[] = {
      {"\\HKLM\\Software\\Maker\r\n\\HKLM\\Software\\Maker,Name,1,text,0,0\r\n",
       {{"\\HKLM\\Software\\Maker"}, {"\\HKLM\\Software\\Maker", "Name", "1", "text", "0", "0"}}},
      // Blank lines, lone LF or CR, and blanks around fields.
      {"\n\r\n  \t\r\n a , b\t,c \r\rd\n", {{"a", "b", "c"}, {"d"}}},
      // A trailing comma is one more, empty, field.
      {"\\HKCU\\K,,4,1,0,", {{"\\HKCU\\K", "", "4", "1", "0", ""}}},
      // Quoted fields keep commas, line ends and outer blanks; doubled quotes are one.
      {"\\HKLM\\K,\"a,b\",1,\" two\r\nlines \",0,0\r\nnext",
       {{"\\HKLM\\K", "a,b", "1", " two\r\nlines ", "0", "0"}, {"next"}}},
      {"k,\"say \"\"hi\"\"\",\"\"", {{"k", "say \"hi\"", ""}}},
      // A quote inside an unquoted field is an ordinary character.
      {"k,5\" disk,x\r\nnext", {{"k", "5\" disk", "x"}, {"next"}}},
      // An unclosed quote runs to the end of the script.
      {"k,\"open\r\nnext,x", {{"k", "\"open\r\nnext,x"}}},
      {"", {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SplitRegistryScript(c.script), c.records) << c.script;
  }
}

TEST(RegistryScript, KeyPathRoots) {
  struct Case {
    const char* path;
    std::optional<RegistryKeyPath> key;
  };
  const Case cases[] = {
      {"\\HKLM\\Software\\Maker", RegistryKeyPath{RegistryRoot::kLocalMachine, "Software\\Maker"}},
      {"\\hklm\\Software\\", RegistryKeyPath{RegistryRoot::kLocalMachine, "Software"}},
      {"\\HKCU\\A", RegistryKeyPath{RegistryRoot::kCurrentUser, "A"}},
      {"\\HkCr\\.txt", RegistryKeyPath{RegistryRoot::kClassesRoot, ".txt"}},
      {"\\HKU\\.DEFAULT\\A", RegistryKeyPath{RegistryRoot::kUsers, ".DEFAULT\\A"}},
      {"\\HKCC\\A", RegistryKeyPath{RegistryRoot::kCurrentConfig, "A"}},
      {"\\HKDD\\A", RegistryKeyPath{RegistryRoot::kDynData, "A"}},
      {"\\HKAU\\Software\\Maker", RegistryKeyPath{RegistryRoot::kAllUsers, "Software\\Maker"}},
      // The root alone names the root key.
      {"\\HKLM", RegistryKeyPath{RegistryRoot::kLocalMachine, ""}},
      {"\\HKLM\\", RegistryKeyPath{RegistryRoot::kLocalMachine, ""}},
      // The all-users root only in upper case; unknown and partial roots are refused.
      {"\\hkau\\Software", std::nullopt},
      {"\\HKAU", std::nullopt},
      {"\\HKLMX\\Software", std::nullopt},
      {"\\HKUS\\A", std::nullopt},
      {"HKLM\\Software", std::nullopt},
      {"\\HKEY_LOCAL_MACHINE\\Software", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseRegistryKeyPath(c.path), c.key) << c.path;
  }
}

}  // namespace
}  // namespace qs
