// Where each payload entry goes: renames, destinations, the uninstall folder and the kinds.
#include <gtest/gtest.h>

#include "core/payload_entry.h"
#include "core/payload_format.h"
#include "core/target_path.h"

namespace qs {
namespace {

const TargetFolders kFolders = {
    .installDir = "C:\\Program Files\\Product",
    .sharedDir = "C:\\Common\\Maker",
    .uninstallDir = "C:\\Program Files\\Product\\uninstall",
    .fontsDir = "C:\\Windows\\Fonts",
    .systemDir = "C:\\Windows\\system32",
};

std::string Expand(std::string_view text) {
  std::string out(text);
  const std::string token = "%InstallDir%";
  if (size_t at = out.find(token); at != std::string::npos) {
    out.replace(at, token.size(), kFolders.installDir);
  }
  return out;
}

TEST(TargetPath, Table) {
  struct Row {
    const char* name;
    uint32_t kind;
    uint32_t flags;
    const char* entryName;
    const char* destination;
    const char* expected;
    bool createFolders;
  };
  const Row rows[] = {
      {"InstallFolder", kInstallFolderFile, 0, "bin\\app.exe", "",
       "C:\\Program Files\\Product\\bin\\app.exe", true},
      {"BareNameRenames", kInstallFolderFile, 0, "bin\\app.exe", "tool.exe",
       "C:\\Program Files\\Product\\tool.exe", true},
      {"BareNameRenamesInKindFolder", kSystemFile, 0, "x.dll", "y.dll",
       "C:\\Windows\\system32\\y.dll", false},
      {"FolderDropsSubfolders", kInstallFolderFile, 0, "bin\\app.exe", "%InstallDir%\\",
       "C:\\Program Files\\Product\\app.exe", true},
      {"DoubleBackslashActsAsOne", kInstallFolderFile, 0, "bin\\app.exe", "%InstallDir%\\sub\\\\",
       "C:\\Program Files\\Product\\sub\\app.exe", true},
      {"RelativeUnderInstallDir", kVersionedFile, 0, "a.dll", "lib\\",
       "C:\\Program Files\\Product\\lib\\a.dll", true},
      {"RelativeUnderSharedDir", kSharedFolderFile, 0, "a.dll", "lib\\",
       "C:\\Common\\Maker\\lib\\a.dll", true},
      {"FullPath", kInstallFolderFile, 0, "a.txt", "D:\\data\\b.txt", "D:\\data\\b.txt", true},
      {"UninstallFolder", kInstallFolderFile, kEntryInUninstallFolder, "help.txt", "",
       "C:\\Program Files\\Product\\uninstall\\help.txt", false},
      {"DestinationBeatsUninstallFolder", kInstallFolderFile, kEntryInUninstallFolder, "help.txt",
       "D:\\x\\", "D:\\x\\help.txt", true},
      {"Shared", kSharedFolderFile, 0, "s.dll", "", "C:\\Common\\Maker\\s.dll", false},
      {"Font", kFontFile, 0, "f.ttf", "", "C:\\Windows\\Fonts\\f.ttf", false},
      {"SystemComServer", kSystemComServer, 0, "c.dll", "", "C:\\Windows\\system32\\c.dll", false},
      {"Applet", kControlPanelApplet, 0, "a.cpl", "", "C:\\Program Files\\Product\\a.cpl", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    PayloadEntry entry;
    entry.kind = row.kind;
    entry.flags = row.flags;
    entry.name = row.entryName;
    entry.destination = row.destination;
    TargetPath target;
    ASSERT_EQ(ResolveTargetPath(entry, kFolders, Expand, target), 0);
    EXPECT_EQ(target.path, row.expected);
    EXPECT_EQ(target.createFolders, row.createFolders);
  }
}

// Only the kind's own folder puts a font on the list of fonts to register.
TEST(TargetPath, KindFolderIsTold) {
  struct Row {
    uint32_t flags;
    const char* destination;
    bool inKindFolder;
  };
  for (const Row& row : {Row{0, "", true}, Row{0, "other.ttf", true},
                         Row{kEntryInUninstallFolder, "", false}, Row{0, "D:\\x\\", false}}) {
    PayloadEntry entry;
    entry.kind = kFontFile;
    entry.flags = row.flags;
    entry.name = "f.ttf";
    entry.destination = row.destination;
    TargetPath target;
    ASSERT_EQ(ResolveTargetPath(entry, kFolders, Expand, target), 0);
    EXPECT_EQ(target.inKindFolder, row.inKindFolder) << row.destination;
  }
}

// Names and folders that are not ASCII travel as "|" + UTF-8; joined with an ASCII part they
// stay one such text, never a bar in the middle of a path.
TEST(TargetPath, BarTexts) {
  const std::string umlaut = "\xc3\xbc";  // u with diaeresis in UTF-8
  TargetFolders folders = kFolders;
  folders.installDir = "|C:\\Programme\\Gr" + umlaut + "n";
  struct Row {
    const char* name;
    std::string entryName;
    std::string destination;
    std::string expected;
  };
  const Row rows[] = {
      {"BarFolderAsciiName", "bin\\a.exe", "", "|C:\\Programme\\Gr" + umlaut + "n\\bin\\a.exe"},
      {"BarFolderBarName", "|m" + umlaut + "ll.txt", "",
       "|C:\\Programme\\Gr" + umlaut + "n\\m" + umlaut + "ll.txt"},
      {"AbsoluteBarDestination", "|sub\\" + umlaut + ".txt", "|D:\\" + umlaut + "\\",
       "|D:\\" + umlaut + "\\" + umlaut + ".txt"},
      {"AsciiFileNamePartLosesTheBar", "|" + umlaut + "\\a.txt", "D:\\x\\", "D:\\x\\a.txt"},
      {"RelativeBarDestination", "a.txt", "|" + umlaut + "\\",
       "|C:\\Programme\\Gr" + umlaut + "n\\" + umlaut + "\\a.txt"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    PayloadEntry entry;
    entry.name = row.entryName;
    entry.destination = row.destination;
    TargetPath target;
    ASSERT_EQ(ResolveTargetPath(entry, folders, Expand, target), 0);
    EXPECT_EQ(target.path, row.expected);
  }
  EXPECT_EQ(JoinPath("C:\\Asc", "|" + umlaut), "|C:\\Asc\\" + umlaut);
  EXPECT_EQ(JoinPath("|" + umlaut, "\\x"), "|" + umlaut + "\\x");
}

// The folder a destination needs. A folder of a "|" path that is ASCII after all loses the bar:
// otherwise a drive's root would look longer than three characters, and one folder would have
// two spellings in the uninstaller's list.
TEST(TargetPath, FolderPart) {
  const std::string umlaut = "\xc3\xbc";
  struct Row {
    std::string path;
    std::string folder;
  };
  const Row rows[] = {
      {"C:\\Product\\a.txt", "C:\\Product"},
      {"C:\\a.txt", "C:\\"},
      {"C:\\Product\\docs/b.txt", "C:\\Product\\docs"},
      {"a.txt", ""},
      {"|C:\\" + umlaut + ".txt", "C:\\"},
      {"|C:\\Product\\" + umlaut + ".txt", "C:\\Product"},
      {"|C:\\Gr" + umlaut + "n\\a.txt", "|C:\\Gr" + umlaut + "n"},
      {"\\\\server\\share\\a.txt", "\\\\server\\share"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(FolderPart(row.path), row.folder) << row.path;
  }
}

TEST(TargetPath, KindsOutsideTheTableAreCorrupt) {
  for (uint32_t kind : {2u, 3u, 13u, 0xFFFFFFFFu}) {
    PayloadEntry entry;
    entry.kind = kind;
    entry.name = "a";
    entry.destination = "D:\\x\\";
    TargetPath target;
    EXPECT_EQ(ResolveTargetPath(entry, kFolders, Expand, target), kErrorEntryKind) << kind;
  }
}

// Names are joined to their folder as text, so a name that steps up or names a drive or a
// stream would be written outside the folder; such names are refused where they are read.
TEST(TargetPath, NamesThatLeaveTheirFolder) {
  struct Row {
    const char* name;
    bool dots;    // HasDotComponent
    bool inside;  // StaysInsideFolder
  };
  const Row rows[] = {
      {"a.txt", false, true},
      {"sub\\a.txt", false, true},
      {"..a\\b..\\.c", false, true},  // dots beside other characters are part of a name
      {"|D\xC3\xA9j\xC3\xA0\\a.txt", false, true},
      {"..\\..\\x.dll", true, false},
      {"sub/../../x", true, false},
      {".\\a", true, false},
      {"a\\. .\\b", true, false},  // Windows drops trailing dots and blanks: a step up
      {"a\\...", true, false},
      {"|..\\\xC3\xA9", true, false},
      {"a:stream", false, false},
      {"C:\\x.dll", false, false},
      {"a\\\\b", false, true},  // an empty step is no step
  };
  for (const Row& row : rows) {
    EXPECT_EQ(HasDotComponent(row.name), row.dots) << row.name;
    EXPECT_EQ(StaysInsideFolder(row.name), row.inside) << row.name;
  }
}

}  // namespace
}  // namespace qs
