// Where each payload entry goes: renames, destinations, the uninstall folder and the kinds.
#include <gtest/gtest.h>

#include "base/text.h"
#include "core/payload_entry.h"
#include "core/payload_format.h"
#include "core/target_path.h"

namespace qs {
namespace {

const TargetFolders kFolders = {
    .installDir = u"C:\\Program Files\\Product",
    .sharedDir = u"C:\\Common\\Maker",
    .uninstallDir = u"C:\\Program Files\\Product\\uninstall",
    .fontsDir = u"C:\\Windows\\Fonts",
    .systemDir = u"C:\\Windows\\system32",
};

// A narrow text as the installer decodes it, with Latin-1 standing for the code page.
std::u16string Decoded(std::string_view narrow) {
  return FromBarNarrow(narrow, DecodeLatin1);
}

std::u16string Expand(std::u16string_view text) {
  std::u16string out(text);
  const std::u16string token = u"%InstallDir%";
  if (size_t at = out.find(token); at != std::u16string::npos) {
    out.replace(at, token.size(), kFolders.installDir);
  }
  return out;
}

TEST(TargetPath, Table) {
  struct Row {
    const char* name;
    uint32_t kind;
    uint32_t flags;
    const char16_t* entryName;
    const char16_t* destination;
    const char16_t* expected;
    bool createFolders;
  };
  const Row rows[] = {
      {"InstallFolder", kInstallFolderFile, 0, u"bin\\app.exe", u"",
       u"C:\\Program Files\\Product\\bin\\app.exe", true},
      {"BareNameRenames", kInstallFolderFile, 0, u"bin\\app.exe", u"tool.exe",
       u"C:\\Program Files\\Product\\tool.exe", true},
      {"BareNameRenamesInKindFolder", kSystemFile, 0, u"x.dll", u"y.dll",
       u"C:\\Windows\\system32\\y.dll", false},
      {"FolderDropsSubfolders", kInstallFolderFile, 0, u"bin\\app.exe", u"%InstallDir%\\",
       u"C:\\Program Files\\Product\\app.exe", true},
      {"DoubleBackslashActsAsOne", kInstallFolderFile, 0, u"bin\\app.exe", u"%InstallDir%\\sub\\\\",
       u"C:\\Program Files\\Product\\sub\\app.exe", true},
      {"RelativeUnderInstallDir", kVersionedFile, 0, u"a.dll", u"lib\\",
       u"C:\\Program Files\\Product\\lib\\a.dll", true},
      {"RelativeUnderSharedDir", kSharedFolderFile, 0, u"a.dll", u"lib\\",
       u"C:\\Common\\Maker\\lib\\a.dll", true},
      {"FullPath", kInstallFolderFile, 0, u"a.txt", u"D:\\data\\b.txt", u"D:\\data\\b.txt", true},
      {"UninstallFolder", kInstallFolderFile, kEntryInUninstallFolder, u"help.txt", u"",
       u"C:\\Program Files\\Product\\uninstall\\help.txt", false},
      {"DestinationBeatsUninstallFolder", kInstallFolderFile, kEntryInUninstallFolder, u"help.txt",
       u"D:\\x\\", u"D:\\x\\help.txt", true},
      {"Shared", kSharedFolderFile, 0, u"s.dll", u"", u"C:\\Common\\Maker\\s.dll", false},
      {"Font", kFontFile, 0, u"f.ttf", u"", u"C:\\Windows\\Fonts\\f.ttf", false},
      {"SystemComServer", kSystemComServer, 0, u"c.dll", u"", u"C:\\Windows\\system32\\c.dll",
       false},
      {"Applet", kControlPanelApplet, 0, u"a.cpl", u"", u"C:\\Program Files\\Product\\a.cpl", true},
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
    const char16_t* destination;
    bool inKindFolder;
  };
  for (const Row& row : {Row{0, u"", true}, Row{0, u"other.ttf", true},
                         Row{kEntryInUninstallFolder, u"", false}, Row{0, u"D:\\x\\", false}}) {
    PayloadEntry entry;
    entry.kind = kFontFile;
    entry.flags = row.flags;
    entry.name = u"f.ttf";
    entry.destination = row.destination;
    TargetPath target;
    ASSERT_EQ(ResolveTargetPath(entry, kFolders, Expand, target), 0);
    EXPECT_EQ(target.inKindFolder, row.inKindFolder) << Utf16ToUtf8(row.destination);
  }
}

// Names and folders that are not ASCII travel as "|" + UTF-8; decoded where they are read, they
// join with ASCII parts into one text, never a bar in the middle of a path.
TEST(TargetPath, BarTexts) {
  const std::string umlaut = "\xc3\xbc";  // u with diaeresis in UTF-8
  TargetFolders folders = kFolders;
  folders.installDir = Decoded("|C:\\Programme\\Gr" + umlaut + "n");
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
    entry.name = Decoded(row.entryName);
    entry.destination = Decoded(row.destination);
    TargetPath target;
    ASSERT_EQ(ResolveTargetPath(entry, folders, Expand, target), 0);
    EXPECT_EQ(target.path, Decoded(row.expected));
  }
}

// The folder a destination needs; a drive's root keeps its backslash.
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
    EXPECT_EQ(FolderPart(Decoded(row.path)), Decoded(row.folder)) << row.path;
  }
}

TEST(TargetPath, KindsOutsideTheTableAreCorrupt) {
  for (uint32_t kind : {2u, 3u, 13u, 0xFFFFFFFFu}) {
    PayloadEntry entry;
    entry.kind = kind;
    entry.name = u"a";
    entry.destination = u"D:\\x\\";
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
    // Entries are checked as decoded texts: the same answers.
    EXPECT_EQ(HasDotComponent(Decoded(row.name)), row.dots) << row.name;
    EXPECT_EQ(StaysInsideFolder(Decoded(row.name)), row.inside) << row.name;
  }
}

}  // namespace
}  // namespace qs
