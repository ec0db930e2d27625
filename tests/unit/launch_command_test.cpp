// The command lines started at the end of an installation say exactly which program they mean.
#include "core/launch_command.h"

#include <gtest/gtest.h>

#include <set>

#include "base/text.h"

namespace qs {
namespace {

bool IsFile(std::u16string_view path) {
  static const std::set<std::u16string> files = {u"C:\\Program Files\\App\\My Tool.exe",
                                                 u"C:\\Program Files\\App\\tool.exe",
                                                 u"C:\\Windows\\notepad.exe"};
  return files.count(std::u16string(path)) != 0;
}

TEST(LaunchCommand, ProgramsAreQuotedAndFoundInTheInstallationFolder) {
  const std::u16string folder = u"C:\\Program Files\\App";
  struct Case {
    const char16_t* command;
    const char16_t* started;
  };
  const Case cases[] = {
      // A path with blanks, whole: quoted, so "C:\Program.exe" is never tried.
      {u"C:\\Program Files\\App\\My Tool.exe", u"\"C:\\Program Files\\App\\My Tool.exe\""},
      {u"My Tool.exe", u"\"C:\\Program Files\\App\\My Tool.exe\""},
      // A bare program of the installation, with arguments: its full path.
      {u"tool.exe --now", u"\"C:\\Program Files\\App\\tool.exe\" --now"},
      {u"  tool.exe  ", u"\"C:\\Program Files\\App\\tool.exe\""},
      // What the folder does not hold, or what is quoted already, stays as given.
      {u"notepad.exe readme.txt", u"notepad.exe readme.txt"},
      {u"\"C:\\Other\\x.exe\" /s", u"\"C:\\Other\\x.exe\" /s"},
      {u"C:\\Windows\\notepad.exe a.txt", u"C:\\Windows\\notepad.exe a.txt"},
      {u"", u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ResolveLaunchCommand(c.command, folder, IsFile), c.started) << Utf16ToUtf8(c.command);
  }
}

}  // namespace
}  // namespace qs
