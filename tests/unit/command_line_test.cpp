#include "core/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qs {
namespace {

using Atoms = std::vector<std::string>;

TEST(TokenizeCommandLineTest, SplitsAtWhiteSpaceAndKeepsQuotedStretches) {
  struct Case {
    const char* text;
    Atoms expected;
  };
  const Case cases[] = {
      {"", {}},
      {" \t\r\n ", {}},
      {"/a", {"/a"}},
      {"  /a\t/min\r\n/d:x  ", {"/a", "/min", "/d:x"}},
      {"/d:\"C:\\Program Files\\My App\" /a", {"/d:\"C:\\Program Files\\My App\"", "/a"}},
      {"/b1:\"echo a b\"tail /a", {"/b1:\"echo a b\"tail", "/a"}},
      {"x\"a b\"y\"c d\" z", {"x\"a b\"y\"c d\"", "z"}},
      {"/n:\"unterminated name", {"/n:\"unterminated name"}},
      {"\"\"", {"\"\""}},
      {"/a\0/min", {"/a"}},  // the text ends at a NUL
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TokenizeCommandLine(c.text), c.expected) << c.text;
  }
  // A NUL inside the view also ends the text.
  EXPECT_EQ(TokenizeCommandLine(std::string_view("/a\0/min", 7)), Atoms{"/a"});
}

TEST(TokenizeCommandLineTest, StopsAfterNineteenAtoms) {
  std::string text;
  for (int i = 1; i <= 25; ++i) text += "/a" + std::to_string(i) + " ";
  const Atoms atoms = TokenizeCommandLine(text);
  ASSERT_EQ(atoms.size(), 19u);
  EXPECT_EQ(atoms.front(), "/a1");
  EXPECT_EQ(atoms.back(), "/a19");
}

struct ParseCase {
  const char* name;
  const char* text;
  CommandLineOptions expected;
};

void ExpectOptions(const CommandLineOptions& actual, const CommandLineOptions& expected,
                   const char* name) {
  SCOPED_TRACE(name);
  EXPECT_EQ(actual.automaticMode, expected.automaticMode);
  EXPECT_EQ(actual.uninstallMode, expected.uninstallMode);
  EXPECT_EQ(actual.startMinimized, expected.startMinimized);
  EXPECT_EQ(actual.installDirOverride, expected.installDirOverride);
  EXPECT_EQ(actual.productNameOverride, expected.productNameOverride);
  EXPECT_EQ(actual.uninstallProductName, expected.uninstallProductName);
  EXPECT_EQ(actual.runAfterInstall, expected.runAfterInstall);
  EXPECT_EQ(actual.preBatchAddition, expected.preBatchAddition);
  EXPECT_EQ(actual.postBatchAddition, expected.postBatchAddition);
  EXPECT_EQ(actual.exitBatchAddition, expected.exitBatchAddition);
}

CommandLineOptions With(void (*set)(CommandLineOptions&)) {
  CommandLineOptions options;
  set(options);
  return options;
}

TEST(ParseCommandLineTest, AcceptsEverySwitch) {
  const ParseCase cases[] = {
      {"empty line installs interactively", "", {}},
      {"/a", "/a", With([](auto& o) { o.automaticMode = true; })},
      {"dash and upper case", "-A", With([](auto& o) { o.automaticMode = true; })},
      {"/a twice", "/a /A", With([](auto& o) { o.automaticMode = true; })},
      {"/min", "/MiN", With([](auto& o) { o.startMinimized = true; })},
      {"bare switch character is ignored", "/ -", {}},
      {"/d quoted with spaces", "/d:\"C:\\My Apps\\X\"",
       With([](auto& o) { o.installDirOverride = "C:\\My Apps\\X"; })},
      {"/d unquoted", "/D:C:\\Apps", With([](auto& o) { o.installDirOverride = "C:\\Apps"; })},
      {"/d opening quote only", "/d:\"C:\\Apps",
       With([](auto& o) { o.installDirOverride = "\"C:\\Apps"; })},
      {"/d lone quote", "/d:\"", With([](auto& o) { o.installDirOverride = "\""; })},
      {"/d UTF-8 after bar", "/d:\"|C:\\Caf\xC3\xA9\"",
       With([](auto& o) { o.installDirOverride = "|C:\\Caf\xC3\xA9"; })},
      {"/d empty", "/d:", {}},
      {"/n", "/n:\"My Product\"", With([](auto& o) { o.productNameOverride = "My Product"; })},
      {"/u with name", "/u:\"My Product\"", With([](auto& o) {
         o.uninstallMode = true;
         o.uninstallProductName = "My Product";
       })},
      {"/u unquoted", "-U:Prod", With([](auto& o) {
         o.uninstallMode = true;
         o.uninstallProductName = "Prod";
       })},
      {"/r", "/r:\"notepad.exe `C:\\a b.txt`\"",
       With([](auto& o) { o.runAfterInstall = "notepad.exe \"C:\\a b.txt\""; })},
      {"/r without closing quote", "/R:\"app.exe",
       With([](auto& o) { o.runAfterInstall = "app.exe"; })},
      {"/r empty", "/r:\"\"", {}},
      {"/b1 two lines", "/b1:\"echo one~~echo `two`\"",
       With([](auto& o) { o.preBatchAddition = "echo one\r\necho \"two\""; })},
      {"/b1 tilde runs", "/b1:\"a~~~b~~~~c~d\"",
       With([](auto& o) { o.preBatchAddition = "a\r\n~b\r\n\r\nc~d"; })},
      {"/b2", "/B2:\"x~~y\"", With([](auto& o) { o.postBatchAddition = "x\r\ny"; })},
      {"/b3", "/b3:\"z\"", With([](auto& o) { o.exitBatchAddition = "z"; })},
      {"/r keeps tildes", "/r:\"a~~b\"", With([](auto& o) { o.runAfterInstall = "a~~b"; })},
      {"later switch replaces earlier", "/d:first /n:a /d:\"second\" /n:b", With([](auto& o) {
         o.installDirOverride = "second";
         o.productNameOverride = "b";
       })},
      {"everything", "/a /min /d:D /n:N /r:\"R\" /b1:\"1\" /b2:\"2\" /b3:\"3\" /u:U",
       With([](auto& o) {
         o.automaticMode = o.startMinimized = o.uninstallMode = true;
         o.installDirOverride = "D";
         o.productNameOverride = "N";
         o.uninstallProductName = "U";
         o.runAfterInstall = "R";
         o.preBatchAddition = "1";
         o.postBatchAddition = "2";
         o.exitBatchAddition = "3";
       })},
  };
  for (const ParseCase& c : cases) {
    CommandLineOptions options;
    std::string message = "stale";
    EXPECT_TRUE(ParseCommandLine(c.text, options, message)) << c.name << ": " << message;
    EXPECT_EQ(message, "") << c.name;
    ExpectOptions(options, c.expected, c.name);
  }
}

TEST(ParseCommandLineTest, ReportsTheFirstUnusableAtom) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"setup", "Unexpected command line parameter:\nsetup"},
      {"\"/a\"", "Unexpected command line parameter:\n\"/a\""},
      {"/a x /bogus", "Unexpected command line parameter:\nx"},
      {"/bogus x", "Illegal command line atom:\nbogus"},
      {"/ab", "Illegal command line atom:\nab"},
      {"/minimized", "Illegal command line atom:\nminimized"},
      {"/d", "Illegal command line atom:\nd"},
      {"/dir:x", "Illegal command line atom:\ndir:x"},
      {"/r:notepad.exe", "Illegal command line atom:\nr:notepad.exe"},
      {"-R: \"x\"", "Illegal command line atom:\nR:"},
      {"/b1:echo", "Illegal command line atom:\nb1:echo"},
      {"/b4:\"x\"", "Illegal command line atom:\nb4:\"x\""},
      {"/d:\"a b\" /r:\"c d\"junk /x:\"e f\"", "Illegal command line atom:\nx:\"e f\""},
      // Any switch beginning with U selects uninstalling; without a colon there is no name.
      {"/uninstall", "Product name required"},
      {"/u", "Product name required"},
      {"/u:", "Product name required"},
      {"/u:\"\"", "Product name required"},
      {"/u:name /u:", "Product name required"},
      // An illegal atom is reported before the missing name.
      {"/u /x", "Illegal command line atom:\nx"},
  };
  for (const Case& c : cases) {
    CommandLineOptions options;
    std::string message;
    EXPECT_FALSE(ParseCommandLine(c.text, options, message)) << c.text;
    EXPECT_EQ(message, c.message) << c.text;
  }
}

TEST(ParseCommandLineTest, LaterUWithoutColonKeepsTheName) {
  CommandLineOptions options;
  std::string message;
  ASSERT_TRUE(ParseCommandLine("/u:\"Old Product\" /uninstall", options, message)) << message;
  EXPECT_TRUE(options.uninstallMode);
  EXPECT_EQ(options.uninstallProductName, "Old Product");
}

TEST(ParseCommandLineTest, AtomsAfterTheNineteenthAreNotExamined) {
  std::string text;
  for (int i = 0; i < 18; ++i) text += "/a ";
  CommandLineOptions options;
  std::string message;
  EXPECT_TRUE(ParseCommandLine(text + "/min illegal /bogus", options, message)) << message;
  EXPECT_TRUE(options.startMinimized);  // the 19th atom still counts

  EXPECT_FALSE(ParseCommandLine(text + "illegal", options, message));
  EXPECT_EQ(message, "Unexpected command line parameter:\nillegal");
}

TEST(ParseCommandLineTest, ResetsOptionsBeforeParsing) {
  CommandLineOptions options;
  options.automaticMode = true;
  options.installDirOverride = "old";
  std::string message;
  ASSERT_TRUE(ParseCommandLine("/min", options, message));
  ExpectOptions(options, With([](auto& o) { o.startMinimized = true; }), "reset");
}

TEST(FormatUsageTest, ListsEverySwitchAfterTheMessage) {
  const std::string usage = FormatUsage("Product name required", "setup.exe");
  const std::string expected =
      "Product name required\r\n\r\nUsage:\r\n"
      "setup.exe [/a] [/b1:\"commands\"] [/b2:\"commands\"] [/b3:\"commands\"] [/d:\"dir\"] "
      "[/n:\"name\"] [/u:\"name\"] [/r:\"program\"]\r\n\r\n"
      "/a                  \tAutomatic mode.\r\n"
      "/d:\"dir\"        \tOverride installation directory.\r\n"
      "/b1:\"commands\"\tAdd commands to the end of the Pre-Installation Batch.\r\n"
      "/b2:\"commands\"\tAdd commands to the end of the Post-Installation Batch.\r\n"
      "/b3:\"commands\"\tAdd commands to the end of the Installation-Exit Batch.\r\n"
      "/n:\"name\"\tOverride product name.\r\n"
      "/u:\"name\"\tUninstall product by name.\r\n"
      "/r:\"program\"\tRun the specified program after a successful installation.";
  EXPECT_EQ(usage, expected);
}

TEST(FormatUsageTest, MessageIsNotAFormat) {
  const std::string usage = FormatUsage("Illegal command line atom:\n%s%d", "a%s.exe");
  EXPECT_EQ(usage.rfind("Illegal command line atom:\n%s%d\r\n\r\nUsage:\r\na%s.exe [/a]", 0), 0u);
}

}  // namespace
}  // namespace qs
