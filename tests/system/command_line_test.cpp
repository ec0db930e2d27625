// Starting the stub: the switches, the usage text, the uninstaller branch and the message of a
// program that carries no payload. Every case starts the real program with an exact command
// line.
#include <string>

#include "harness_win.h"

namespace qs::systest {
namespace {

class CommandLineTest : public SystemTest {};

TEST_F(CommandLineTest, WithoutPayloadOrSwitchesExplainsWhatTheProgramIs) {
  RunResult result = RunInstaller(StubBytes());
  EXPECT_TRUE(EndedWithError(result, 1,
                             "This program performs installations and uninstallations.\r\n"
                             "There is no installation data present.\r\n"
                             "No uninstallation parameters were specified."))
      << result;
}

struct CommandLineCase {
  const char* name;
  const wchar_t* arguments;
  uint32_t exitCode;
  const char* messageStart;  // null: no message at all
};

const CommandLineCase kCommandLineCases[] = {
    {"UnknownSwitch", L"/x", 1,
     "Illegal command line atom:\nx\r\n\r\nUsage:\r\nsetup.exe [/a] [/b1:\"commands\"]"},
    {"ArgumentWithoutSwitchCharacter", L"setup", 1,
     "Unexpected command line parameter:\nsetup\r\n\r\nUsage:\r\nsetup.exe [/a]"},
    // Any switch that begins with U selects uninstalling; without a colon there is no name.
    {"UninstallWithoutName", L"/uninstall", 1, "Product name required\r\n\r\nUsage:\r\n"},
    {"RunSwitchWithoutOpeningQuote", L"/r:program.exe", 1,
     "Illegal command line atom:\nr:program.exe\r\n"},
    // The uninstaller runs without any payload; the quotes are taken off the name and the
    // spaces inside stay.
    {"UninstallByName", L"/u:\"My Product\"", 0, "No product named 'My Product' is installed."},
    {"UninstallDashAndCapital", L"-U:\"My  Product\"", 0,
     "No product named 'My  Product' is installed."},
    // The whole command line is read before the uninstaller starts.
    {"UninstallWithIllegalAtomAfter", L"/u:\"My Product\" /zz", 1,
     "Illegal command line atom:\nzz\r\n"},
    // Only 19 atoms are examined: the illegal twentieth is never seen.
    {"TwentiethAtomIgnored",
     L"/min /min /min /min /min /min /min /min /min /min /min /min /min /min /min /min /min /min "
     L"/u:\"P\" /bad",
     0, "No product named 'P' is installed."},
    // Automatic mode shows no error boxes but fatal ones.
    {"AutomaticUninstallShowsNoError", L"/a /u:\"My Product\"", 0, nullptr},
};

class CommandLineCases : public SystemTest,
                         public ::testing::WithParamInterface<CommandLineCase> {};

TEST_P(CommandLineCases, ShowsTheExpectedMessage) {
  const CommandLineCase& c = GetParam();
  RunResult result = RunInstaller(StubBytes(), c.arguments);
  if (c.messageStart != nullptr) {
    EXPECT_TRUE(EndedWithError(result, c.exitCode, c.messageStart)) << result;
  } else {
    EXPECT_EQ(result.exitCode, c.exitCode) << result;
    EXPECT_TRUE(result.transcript.empty()) << result;
  }
}

INSTANTIATE_TEST_SUITE_P(Stub, CommandLineCases, ::testing::ValuesIn(kCommandLineCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The program finds its own file from the first item of its command line: a quoted path
// with spaces in it, then the payload in that file.
TEST_F(CommandLineTest, InstallerInFolderWithSpacesFindsItsPayload) {
  TestPayload payload = MakePayload({MakeFile("readme.txt", "Read me first.\r\n")});
  const auto program = WriteFile(L"Program Files (x86)\\My App\\setup.exe", MakeInstaller(payload));
  const std::filesystem::path target = Folder() / "My Target";
  RunResult result = Run(program, L"/a /d:\"" + target.wstring() + L"\"");
  EXPECT_EQ(result.exitCode, 1u) << result;
  EXPECT_TRUE(result.MessageTexts().empty()) << result;
  EXPECT_EQ(result.Items(), std::vector<std::string>{WideToUtf8(target.wstring()) + "\\readme.txt"})
      << result;
}

}  // namespace
}  // namespace qs::systest
