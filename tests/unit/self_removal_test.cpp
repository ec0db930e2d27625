#include "uninstall/self_removal.h"

#include <gtest/gtest.h>

#include <string>

#include "integration/batch_text.h"

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

// ---- delunins.bat ----

constexpr char16_t kUninstaller[] = u"C:\\Apps\\Hello\\Uninstall\\uninstall.exe";
constexpr char16_t kBatch[] = u"C:\\Temp\\delunins.bat";

// The lines every delunins.bat starts with: delete the uninstaller (read-only or not) each second
// until it is gone, for a minute at most, then wait three seconds.
constexpr char16_t kDeleteLoop[] =
    u"set QsTries=0\r\n"
    u":Repeat\r\n"
    u"del /f \"C:\\Apps\\Hello\\Uninstall\\uninstall.exe\"\r\n"
    u"if not exist \"C:\\Apps\\Hello\\Uninstall\\uninstall.exe\" goto Waited\r\n"
    u"set /a QsTries+=1\r\n"
    u"if %QsTries% GEQ 60 goto Waited\r\n"
    u"CHOICE /T 1 /D Y >nul\r\n"
    u"goto Repeat\r\n"
    u":Waited\r\n"
    u"CHOICE /T 3 /D Y\r\n";

TEST(SelfRemovalTest, RemovalBatchRemovesEachLevelOfTheUninstallFolderDeepestFirst) {
  struct Case {
    const char* name;
    std::u16string subdir;
    std::u16string folderLines;  // the lines between the pause and the batch's own del
  };
  const Case cases[] = {
      // The uninstaller lies in the install folder itself: only that folder is removed.
      {"NoSubfolder", u"", u"rd \"C:\\Apps\\Hello\"\r\n"},
      {"OneLevel", u"Uninstall",
       u"rd \"C:\\Apps\\Hello\\Uninstall\"\r\n"
       u"rd \"C:\\Apps\\Hello\"\r\n"},
      {"ThreeLevels", u"A\\B\\C",
       u"rd \"C:\\Apps\\Hello\\A\\B\\C\"\r\n"
       u"rd \"C:\\Apps\\Hello\\A\\B\"\r\n"
       u"rd \"C:\\Apps\\Hello\\A\"\r\n"
       u"rd \"C:\\Apps\\Hello\"\r\n"},
      // The first line names the folder as stored; the levels above it lose the backslash.
      {"TrailingBackslash", u"A\\B\\",
       u"rd \"C:\\Apps\\Hello\\A\\B\\\"\r\n"
       u"rd \"C:\\Apps\\Hello\\A\"\r\n"
       u"rd \"C:\\Apps\\Hello\"\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::u16string expected =
        std::u16string(kDeleteLoop) + c.folderLines + u"del \"C:\\Temp\\delunins.bat\"\r\n";
    EXPECT_EQ(SelfRemovalBatch(kUninstaller, u"C:\\Apps\\Hello", c.subdir, kBatch), expected);
  }
}

// A sub-folder of more than 50 levels gets 50 "rd" lines, then the install folder's.
TEST(SelfRemovalTest, RemovalBatchStopsAfterFiftyLevels) {
  std::u16string subdir = u"L";
  for (int i = 0; i < 59; ++i) subdir += u"\\L";
  const std::u16string batch = SelfRemovalBatch(kUninstaller, u"C:\\App", subdir, kBatch);
  size_t lines = 0;
  for (size_t at = batch.find(u"\r\nrd "); at != std::u16string::npos;
       at = batch.find(u"\r\nrd ", at + 1)) {
    ++lines;
  }
  EXPECT_EQ(lines, 51u);
  EXPECT_NE(batch.find(u"rd \"C:\\App\"\r\ndel \"C:\\Temp\\delunins.bat\"\r\n"),
            std::u16string::npos);
}

// Written as the command interpreter reads it: a folder outside code page 1252 makes the batch
// UTF-8 from Windows 7 on; before, the character becomes "?".
TEST(SelfRemovalTest, RemovalBatchWithAFolderOutsideCodePage1252) {
  const std::u16string batch =
      SelfRemovalBatch(u"C:\\\u4E2D\\u.exe", u"C:\\\u4E2D", u"", u"C:\\T\\delunins.bat");
  EXPECT_EQ(EncodeBatchText(batch, true),
            "@chcp 65001 >nul\r\n"
            "set QsTries=0\r\n"
            ":Repeat\r\n"
            "del /f \"C:\\\xE4\xB8\xAD\\u.exe\"\r\n"
            "if not exist \"C:\\\xE4\xB8\xAD\\u.exe\" goto Waited\r\n"
            "set /a QsTries+=1\r\n"
            "if %QsTries% GEQ 60 goto Waited\r\n"
            "CHOICE /T 1 /D Y >nul\r\n"
            "goto Repeat\r\n"
            ":Waited\r\n"
            "CHOICE /T 3 /D Y\r\n"
            "rd \"C:\\\xE4\xB8\xAD\"\r\n"
            "del \"C:\\T\\delunins.bat\"\r\n");
  EXPECT_EQ(EncodeBatchText(batch, false),
            "@chcp 1252 >nul\r\n"
            "set QsTries=0\r\n"
            ":Repeat\r\n"
            "del /f \"C:\\?\\u.exe\"\r\n"
            "if not exist \"C:\\?\\u.exe\" goto Waited\r\n"
            "set /a QsTries+=1\r\n"
            "if %QsTries% GEQ 60 goto Waited\r\n"
            "CHOICE /T 1 /D Y >nul\r\n"
            "goto Repeat\r\n"
            ":Waited\r\n"
            "CHOICE /T 3 /D Y\r\n"
            "rd \"C:\\?\"\r\n"
            "del \"C:\\T\\delunins.bat\"\r\n");
}

}  // namespace
}  // namespace qs
