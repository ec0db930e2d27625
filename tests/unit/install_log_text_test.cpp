#include "files/install_log_text.h"

#include <gtest/gtest.h>

namespace qs {
namespace {

InstallLogContent Content() {
  InstallLogContent content;
  content.productName = "Test Product";
  content.installDate = "5-Jul-2019 9:03:07a";
  content.installLocation = "C:\\Program Files\\Test";
  content.operatingSystem = "Windows 10 x64";
  content.log = "Creating folder...OK\r\n";
  content.completionText = "Installation complete.";
  return content;
}

TEST(InstallLogTextTest, WholeTextOfARunWithoutFailures) {
  InstallLogContent content = Content();
  content.showInstallType = true;
  content.productVersion = "2.0";
  content.overwritingVersion = "1.5";
  EXPECT_EQ(InstallLogText(content, false),
            "Installation log for: Test Product\r\n"
            "Install date: 5-Jul-2019 9:03:07a\r\n"
            "Install type: New\r\n"
            "Install location: C:\\Program Files\\Test\r\n"
            "Installer version: 29.0.6\r\n"
            "Product version: 2.0\r\n"
            "Overwriting version: 1.5\r\n"
            "Operating system: Windows 10 x64\r\n"
            "\r\n"
            "Creating folder...OK\r\n"
            "\r\n"
            "Installation complete.\r\n");
}

// Lines that depend on the product or the run are left out, not left empty.
TEST(InstallLogTextTest, OptionalHeaderLines) {
  struct Case {
    const char* name;
    bool showInstallType;
    bool isReinstall;
    const char* productVersion;
    const char* overwritingVersion;
    const char* expectedLines;  // between "Install date" and "Operating system"
  };
  const Case cases[] = {
      {"NoneOfThem", false, true, "", "",
       "Install location: C:\\Program Files\\Test\r\n"
       "Installer version: 29.0.6\r\n"},
      {"Reinstall", true, true, "", "",
       "Install type: Reinstall\r\n"
       "Install location: C:\\Program Files\\Test\r\n"
       "Installer version: 29.0.6\r\n"},
      {"OnlyOverwriting", false, false, "", "1.0",
       "Install location: C:\\Program Files\\Test\r\n"
       "Installer version: 29.0.6\r\n"
       "Overwriting version: 1.0\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InstallLogContent content = Content();
    content.showInstallType = c.showInstallType;
    content.isReinstall = c.isReinstall;
    content.productVersion = c.productVersion;
    content.overwritingVersion = c.overwritingVersion;
    const std::string text = InstallLogText(content, false);
    const std::string head =
        "Installation log for: Test Product\r\nInstall date: 5-Jul-2019 9:03:07a\r\n";
    const std::string expected =
        head + c.expectedLines + "Operating system: Windows 10 x64\r\n\r\n";
    EXPECT_EQ(text.substr(0, expected.size()), expected);
  }
}

// A failed run ends with the summary instead of the completion text; the summary carries its
// own line ends.
TEST(InstallLogTextTest, FailureSummaryReplacesTheCompletionText) {
  InstallLogContent content = Content();
  content.failureSummary = "Failed to write \"C:\\x\": Access denied.\r\n\r\n";
  const std::string text = InstallLogText(content, false);
  const std::string tail =
      "Creating folder...OK\r\n"
      "\r\n"
      "*** FAILURE SUMMARY ***\r\n"
      "Failed to write \"C:\\x\": Access denied.\r\n\r\n";
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
  EXPECT_EQ(text.find("Installation complete."), std::string::npos);
}

// A file that already holds a run gets a line of 46 asterisks before the next one.
TEST(InstallLogTextTest, SeparatorOnlyAfterEarlierData) {
  const std::string first = InstallLogText(Content(), false);
  const std::string next = InstallLogText(Content(), true);
  const std::string separator = "\r\n\r\n" + std::string(46, '*') + "\r\n";
  EXPECT_EQ(first.rfind("Installation log for: ", 0), 0u);
  EXPECT_EQ(next, separator + first);
}

}  // namespace
}  // namespace qs
