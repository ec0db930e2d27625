#include "uninstall/self_removal.h"

#include <gtest/gtest.h>

#include <string>

namespace qs {
namespace {

TEST(SelfRemovalTest, ReinstallBatchRunsTheUninstallerThenThisInstallerThenDeletesItself) {
  // The texts go in exactly as given: quotes, switches and spaces are the interpreter's to read.
  EXPECT_EQ(UninstallThenReinstallBatch("\"C:\\Program Files\\App\\Uninstall\\setup.exe\" "
                                        "/u:\"App\" /a",
                                        "\"C:\\Downloads\\app setup.exe\" /d:\"D:\\My Apps\" /a",
                                        "C:\\Users\\Me\\AppData\\Local\\Temp\\utrri.bat"),
            "\"C:\\Program Files\\App\\Uninstall\\setup.exe\" /u:\"App\" /a\r\n"
            "\"C:\\Downloads\\app setup.exe\" /d:\"D:\\My Apps\" /a\r\n"
            "del \"C:\\Users\\Me\\AppData\\Local\\Temp\\utrri.bat\"\r\n");
}

TEST(SelfRemovalTest, QuietUninstallCommandIsPreferred) {
  struct Case {
    const char* quiet;
    const char* normal;
    const char* chosen;
  };
  const Case cases[] = {
      {"setup.exe /u:\"App\" /a", "setup.exe /u:\"App\"", "setup.exe /u:\"App\" /a"},
      {"", "setup.exe /u:\"App\"", "setup.exe /u:\"App\""},
      {"setup.exe /u:\"App\" /a", "", "setup.exe /u:\"App\" /a"},
      {"", "", ""},  // none: the installer refuses to go on
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseUninstallCommand(c.quiet, c.normal), c.chosen)
        << "quiet '" << c.quiet << "', normal '" << c.normal << "'";
  }
}

TEST(SelfRemovalTest, UrlEncodingKeepsOnlyUnreservedCharacters) {
  struct Case {
    const char* text;
    const char* encoded;
  };
  const Case cases[] = {
      {"1.2.3", "1.2.3"},
      {"AZaz09-._~", "AZaz09-._~"},
      {"2.0 beta", "2.0%20beta"},
      {"1.0+rc/1&x=y#z?", "1.0%2Brc%2F1%26x%3Dy%23z%3F"},
      {"100%", "100%25"},
      {"caf\xC3\xA9", "caf%C3%A9"},  // UTF-8 bytes, upper-case hex
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(UrlEncode(c.text), c.encoded) << c.text;
}

TEST(SelfRemovalTest, NotificationAddressReplacesEveryVersionPlaceholder) {
  struct Case {
    const char* url;
    const char* version;
    const char* address;
  };
  const Case cases[] = {
      {"http://example.com/installed?v=%version%", "2.0 beta",
       "http://example.com/installed?v=2.0%20beta"},
      {"http://example.com/%version%/?from=%version%", "1.5", "http://example.com/1.5/?from=1.5"},
      {"http://example.com/a?v=%version%%version%", "1", "http://example.com/a?v=11"},
      {"http://example.com/plain", "1.0", "http://example.com/plain"},
      {"http://example.com/?v=%version%", "", "http://example.com/?v="},
      // A version that holds the placeholder itself is encoded, not replaced again.
      {"http://example.com/?v=%version%", "%version%", "http://example.com/?v=%25version%25"},
      // An incomplete placeholder is left alone.
      {"http://example.com/?v=%version", "1.0", "http://example.com/?v=%version"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NotificationAddress(c.url, c.version), c.address) << c.url << " / " << c.version;
  }
}

}  // namespace
}  // namespace qs
