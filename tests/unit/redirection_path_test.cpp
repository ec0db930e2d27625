#include "base/redirection_path.h"

#include <gtest/gtest.h>

#include <string>

namespace qs {
namespace {

const RedirectionFolders kWindows7 = {u"C:\\Windows\\system32", u"C:\\Windows\\SysWOW64", true, {}};
const RedirectionFolders kVista = {u"C:\\Windows\\system32", u"C:\\Windows\\SysWOW64", false, {}};

std::string Show(const std::optional<std::u16string>& path) {
  if (!path) return "(not redirected)";
  std::string out;
  for (char16_t c : *path) out += static_cast<char>(c);
  return out;
}

TEST(RedirectionPathTest, MapsWhatA32BitProgramReaches) {
  struct Case {
    std::u16string_view path;
    const char* expected;
  };
  const Case cases[] = {
      // The folder itself and what lies beneath it.
      {u"C:\\Windows\\system32", "C:\\Windows\\SysWOW64"},
      {u"C:\\Windows\\system32\\", "C:\\Windows\\SysWOW64\\"},
      {u"C:\\Windows\\system32\\app.dll", "C:\\Windows\\SysWOW64\\app.dll"},
      {u"c:\\WINDOWS\\SYSTEM32\\Sub\\App.DLL", "C:\\Windows\\SysWOW64\\Sub\\App.DLL"},
      {u"C:/Windows/System32/app.dll", "C:\\Windows\\SysWOW64\\app.dll"},
      {u"C:\\Windows\\\\System32\\\\app.dll", "C:\\Windows\\SysWOW64\\app.dll"},
      // Dots are resolved before the folder is compared, in either direction.
      {u"C:\\Windows\\Temp\\..\\System32\\app.dll", "C:\\Windows\\SysWOW64\\app.dll"},
      {u"C:\\Windows\\System32\\.\\sub\\..\\app.dll", "C:\\Windows\\SysWOW64\\app.dll"},
      {u"C:\\Windows\\System32\\..\\app.dll", "(not redirected)"},
      {u"C:\\..\\..\\Windows\\System32\\app.dll", "C:\\Windows\\SysWOW64\\app.dll"},
      // Whole components only.
      {u"C:\\Windows\\System32x\\app.dll", "(not redirected)"},
      {u"C:\\Windows\\System3", "(not redirected)"},
      {u"C:\\Windows\\SysWOW64\\app.dll", "(not redirected)"},
      {u"D:\\Windows\\System32\\app.dll", "(not redirected)"},
      {u"C:\\Program Files\\Windows\\System32\\app.dll", "(not redirected)"},
      {u"C:\\Windows", "(not redirected)"},
      {u"\\\\server\\share\\Windows\\System32\\app.dll", "(not redirected)"},
      {u"Windows\\System32\\app.dll", "(not redirected)"},
      {u"", "(not redirected)"},
      // The shared folders, and files in them, stay where they are.
      {u"C:\\Windows\\System32\\catroot", "(not redirected)"},
      {u"C:\\Windows\\System32\\CatRoot2\\x.cat", "(not redirected)"},
      {u"C:\\Windows\\System32\\drivers\\etc\\hosts", "(not redirected)"},
      {u"C:\\Windows\\System32\\LogFiles\\", "(not redirected)"},
      {u"C:\\Windows\\System32\\spool\\drivers\\x.dll", "(not redirected)"},
      {u"C:\\Windows\\System32\\DriverStore\\FileRepository", "(not redirected)"},
      // ... but only those: their neighbours and near-names move.
      {u"C:\\Windows\\System32\\drivers\\x.sys", "C:\\Windows\\SysWOW64\\drivers\\x.sys"},
      {u"C:\\Windows\\System32\\drivers", "C:\\Windows\\SysWOW64\\drivers"},
      {u"C:\\Windows\\System32\\drivers\\etcetera", "C:\\Windows\\SysWOW64\\drivers\\etcetera"},
      {u"C:\\Windows\\System32\\catroot3", "C:\\Windows\\SysWOW64\\catroot3"},
      {u"C:\\Windows\\System32\\sub\\catroot", "C:\\Windows\\SysWOW64\\sub\\catroot"},
      // Sysnative reaches the system folder itself.
      {u"C:\\Windows\\Sysnative", "C:\\Windows\\system32"},
      {u"C:\\Windows\\sysnative\\app.dll", "C:\\Windows\\system32\\app.dll"},
      {u"C:\\Windows\\Sysnative\\catroot\\x", "C:\\Windows\\system32\\catroot\\x"},
      {u"C:\\Windows\\System32\\Sysnative\\app.dll", "C:\\Windows\\SysWOW64\\Sysnative\\app.dll"},
      {u"C:\\Sysnative\\app.dll", "(not redirected)"},
      // The literal forms keep their prefix and their text.
      {u"\\\\?\\C:\\Windows\\System32\\app.dll", "\\\\?\\C:\\Windows\\SysWOW64\\app.dll"},
      {u"\\??\\C:\\Windows\\System32\\app.dll", "\\??\\C:\\Windows\\SysWOW64\\app.dll"},
      {u"\\\\?\\c:\\windows\\sysnative\\app.dll", "\\\\?\\C:\\Windows\\system32\\app.dll"},
      {u"\\\\?\\C:\\Windows\\System32\\spool\\x", "(not redirected)"},
      {u"\\\\?\\C:\\Windows\\Temp\\..\\System32\\app.dll", "(not redirected)"},
      {u"\\\\?\\C:/Windows/System32/app.dll", "(not redirected)"},
      {u"\\\\?\\C:\\Windows\\\\System32\\app.dll", "(not redirected)"},
      {u"\\\\?\\UNC\\server\\share\\Windows\\System32\\a", "(not redirected)"},
      // The device form of a drive path is normalised like a plain one; other devices are not
      // drives.
      {u"\\\\.\\C:\\Windows\\System32\\app.dll", "\\\\.\\C:\\Windows\\SysWOW64\\app.dll"},
      {u"\\\\.\\c:\\windows\\temp\\..\\sysnative\\a", "\\\\.\\C:\\Windows\\system32\\a"},
      {u"\\\\.\\PhysicalDrive0", "(not redirected)"},
      {u"\\\\.\\pipe\\Windows\\System32", "(not redirected)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Show(RedirectedPath(c.path, kWindows7)), c.expected) << Show(std::u16string(c.path));
  }
}

TEST(RedirectionPathTest, DriverStoreIsSharedFromWindows7On) {
  const std::u16string_view path = u"C:\\Windows\\System32\\DriverStore\\x.inf";
  EXPECT_EQ(Show(RedirectedPath(path, kWindows7)), "(not redirected)");
  EXPECT_EQ(Show(RedirectedPath(path, kVista)), "C:\\Windows\\SysWOW64\\DriverStore\\x.inf");
}

// The folders come from the system; their own spelling and a trailing backslash do not matter,
// and a folder no path can lie under redirects nothing.
TEST(RedirectionPathTest, TakesTheFoldersAsTheSystemGivesThem) {
  const RedirectionFolders trailing = {
      u"c:\\WINNT\\System32\\", u"c:\\WINNT\\SysWOW64\\", true, {}};
  EXPECT_EQ(Show(RedirectedPath(u"C:\\winnt\\system32\\a", trailing)), "c:\\WINNT\\SysWOW64\\a");
  EXPECT_EQ(Show(RedirectedPath(u"C:\\winnt\\sysnative\\a", trailing)), "c:\\WINNT\\System32\\a");

  const RedirectionFolders root = {u"C:\\", u"C:\\SysWOW64", true, {}};
  EXPECT_EQ(Show(RedirectedPath(u"C:\\a", root)), "(not redirected)");
  const RedirectionFolders none = {u"", u"", true, {}};
  EXPECT_EQ(Show(RedirectedPath(u"C:\\Windows\\System32\\a", none)), "(not redirected)");
}

// A Windows folder with a long name has a short spelling too, and a path may use either one,
// or a mix of both, for each of its components.
TEST(RedirectionPathTest, ShortSpellingOfTheSystemFolder) {
  RedirectionFolders folders = {u"C:\\Windows Folder\\system32", u"C:\\Windows Folder\\SysWOW64",
                                true, u"C:\\WINDOW~1\\system32"};
  struct Case {
    std::u16string_view path;
    const char* expected;
  };
  const Case cases[] = {
      {u"C:\\Windows Folder\\System32\\a.dll", "C:\\Windows Folder\\SysWOW64\\a.dll"},
      {u"C:\\window~1\\System32\\a.dll", "C:\\Windows Folder\\SysWOW64\\a.dll"},
      {u"\\\\?\\C:\\WINDOW~1\\system32\\a.dll", "\\\\?\\C:\\Windows Folder\\SysWOW64\\a.dll"},
      {u"C:\\WINDOW~1\\Sysnative\\a.dll", "C:\\Windows Folder\\system32\\a.dll"},
      {u"C:\\WINDOW~1\\System32\\spool\\a", "(not redirected)"},
      {u"C:\\WINDOW~2\\System32\\a.dll", "(not redirected)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Show(RedirectedPath(c.path, folders)), c.expected) << Show(std::u16string(c.path));
  }
  // A short form of another depth is no spelling of the folder, and is not read past its end.
  folders.systemShort = u"C:\\WINDOW~1";
  EXPECT_EQ(Show(RedirectedPath(u"C:\\WINDOW~1\\System32\\a.dll", folders)), "(not redirected)");
}

TEST(RedirectionPathTest, FindsTheProgramOfACommandLine) {
  struct Case {
    std::u16string_view line;
    std::u16string_view program;
  };
  const Case cases[] = {
      {u"\"C:\\Program Files\\a.exe\" /x \"y\"", u"C:\\Program Files\\a.exe"},
      {u"C:\\Windows\\System32\\a.exe /x", u"C:\\Windows\\System32\\a.exe"},
      {u"C:\\a.exe\t/x", u"C:\\a.exe"},
      {u"C:\\a.exe", u"C:\\a.exe"},
      {u"\"C:\\unclosed quote", u"C:\\unclosed quote"},
      {u"\"\" x", u""},
      {u"", u""},
  };
  for (const Case& c : cases) {
    const TextSpan span = CommandLineProgram(c.line);
    EXPECT_EQ(c.line.substr(span.offset, span.length), c.program) << Show(std::u16string(c.line));
  }
}

}  // namespace
}  // namespace qs
