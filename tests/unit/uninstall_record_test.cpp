// Uninstall.DAT as text: what the writer puts down the reader gives back, the quoting of the
// comma-separated sections, the [Strings] texts and their limits, lines the reader skips, and
// damaged files that must not break it.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "files/deletion_conditions.h"
#include "uninstall/uninstall_record.h"

namespace qs {
namespace {

// The texts of the fixed list and the caption, all empty: what the reader gives for a record
// written without texts.
std::map<int32_t, std::string> EmptyTexts() {
  std::map<int32_t, std::string> texts;
  for (TextId number : kUninstallTextNumbers) texts[number] = "";
  texts[kTextRecordDialogCaption] = "";
  return texts;
}

// A file holding only `strings` after the [Strings] header.
std::string StringsFile(const std::string& strings) {
  return "\r\n\r\n[Strings]\r\n" + strings;
}

TEST(UninstallRecord, EmptyRecordHoldsTheNumberedTextsOnly) {
  const char* const numbers[] = {"10", "15", "20", "30", "34", "35",  "49", "53", "55",
                                 "56", "57", "58", "59", "65", "67",  "68", "69", "70",
                                 "71", "74", "79", "80", "99", "100", "101"};
  std::string expected = "\r\n\r\n[Strings]\r\n";
  for (const char* number : numbers) expected += std::string("~") + number + "\r\n\r\n";
  expected += "~999\r\n\r\n";
  EXPECT_EQ(FormatUninstallRecord("", UninstallRecord{}), expected);

  UninstallRecord read = ParseUninstallRecord(expected);
  UninstallRecord empty;
  empty.texts = EmptyTexts();
  EXPECT_EQ(read, empty);
}

TEST(UninstallRecord, WhatIsWrittenIsReadBack) {
  const std::string removalList =
      "C:\\App\\app.exe\r\n"
      "~C:\\App\\Docs\r\n"
      "!\\HKLM\\Software\\Maker\\App\\Path\r\n"
      "|C:\\Pr\xC3\xB6gram\\a.txt\r\n";

  UninstallRecord record;
  record.texts = EmptyTexts();
  record.texts[kTextUninstallFailed] = "The uninstallation failed:\r\n\r\n%s";
  // UTF-8 is kept as it is.
  record.texts[kTextUninstallQuestion] = "Remove \xE2\x80\x9C<product>\xE2\x80\x9D?";
  record.texts[kTextUninstallCaption] = "  indented, with trailing space  ";
  record.texts[kTextCannotRemoveFile] = "ends with a line break\r\n";
  record.texts[kTextUninstallCancelled] = "\r\n\r\nblank lines first";
  record.texts[kTextRecordDialogCaption] = "My App\r\n";  // the last text before a section
  record.autoClose = {
      {"AppWindow", "My App - \"Main\"", "My App, the editor", 2, 4},
      {"", " padded ", "a;b|c\td", 0, 2},
      {"'quoted", "two\r\nlines", "", 3, 2},
  };
  record.associations = {{".txt", "App.Text", "open"}, {".md", "App.Doc", "edit"}};
  record.firewallLines = {"8080;App server;3;0", "%InstallDir%\\app.exe;App;1;0"};
  record.infLines = {"C:\\Windows\\INF\\oem7.inf"};
  record.msiLines = {"\"C:\\App\\runtime.msi\",2"};
  record.registryLines = {
      "\\HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Control Panel\\Cpls\\App"};
  record.registry2Text =
      "\\HKLM\\Software\\Maker\\App\r\n"
      "\r\n"
      "\\HKLM\\Software\\Maker\\App,Path,0,C:\\App,0,0\r\n";
  record.conditionalDeletes = {
      {"%InstallDir%\\*.log", kDeleteDateUntil, "2024-01-31", kDeleteModeUninstall},
      {"%InstallDir%\\cache, old\\*.*", kDeleteAlways, "",
       kDeleteModeInstall | kDeleteModeUninstall},
      {"%InstallDir%\\install-only.tmp", kDeleteAlways, "",
       kDeleteModeInstall},  // not the uninstaller's
  };

  const std::string bytes = FormatUninstallRecord(removalList, record);
  // The sections come in their fixed order.
  size_t at = 0;
  for (const char* header : {"[Strings]", "[AutoClose]", "[Associations]", "[Firewall]", "[INF]",
                             "[MSI]", "[Registry]", "[Registry2]", "[ConditionalDelete]"}) {
    SCOPED_TRACE(header);
    const size_t found = bytes.find(std::string("\r\n\r\n") + header + "\r\n", at);
    ASSERT_NE(found, std::string::npos);
    at = found + 1;
  }
  EXPECT_EQ(bytes.substr(0, removalList.size()), removalList);

  UninstallRecord expected = record;
  expected.removalEntries = {"C:\\App\\app.exe", "~C:\\App\\Docs",
                             "!\\HKLM\\Software\\Maker\\App\\Path", "|C:\\Pr\xC3\xB6gram\\a.txt"};
  expected.conditionalDeletes = {record.conditionalDeletes[0], record.conditionalDeletes[1]};
  EXPECT_EQ(ParseUninstallRecord(bytes), expected);

  // The same with no section after [Strings] and a script without a final line break.
  UninstallRecord small;
  small.texts = EmptyTexts();
  small.texts[kTextRecordDialogCaption] = "Caption\r\n";
  small.registry2Text = "\\HKLM\\Software\\Maker";
  UninstallRecord smallExpected = small;
  smallExpected.registry2Text += "\r\n";
  EXPECT_EQ(ParseUninstallRecord(FormatUninstallRecord("", small)), smallExpected);
}

TEST(UninstallRecord, OnlyUninstallTimeDeletesAreWritten) {
  UninstallRecord record;
  record.conditionalDeletes = {{"a.txt", kDeleteAlways, "", kDeleteModeInstall},
                               {"b.txt", kDeleteAlways, "", kDeleteModeAtRestart}};
  EXPECT_EQ(FormatUninstallRecord("", record).find("[ConditionalDelete]"), std::string::npos);
  record.conditionalDeletes.push_back(
      {"c.txt", kDeleteDateEqual, "x", kDeleteModeUninstall | kDeleteModeInstall});
  EXPECT_NE(
      FormatUninstallRecord("", record).find("\r\n\r\n[ConditionalDelete]\r\nc.txt,1,x,12\r\n"),
      std::string::npos);
}

TEST(UninstallRecord, FieldQuoting) {
  struct Case {
    const char* field;
    const char* written;
  };
  const Case cases[] = {
      {"plain", "plain"},
      {"", ""},
      {"inner space", "inner space"},
      {"it's", "it's"},
      {"a,b", "\"a,b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"\"", "\"\"\"\""},
      {"a\tb", "\"a\tb\""},
      {"a\rb", "\"a\rb\""},
      {"a\nb", "\"a\nb\""},
      {"a;b", "\"a;b\""},
      {"a|b", "\"a|b\""},
      {" lead", "\" lead\""},
      {"'lead", "\"'lead\""},
      {"trail ", "\"trail \""},
  };
  std::string line;
  std::vector<std::string> fields;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    EXPECT_EQ(QuoteRecordField(c.field), c.written);
    EXPECT_EQ(SplitRecordFields(c.written), std::vector<std::string>{c.field});
    line += (line.empty() ? "" : ",") + QuoteRecordField(c.field);
    fields.push_back(c.field);
  }
  EXPECT_EQ(SplitRecordFields(line), fields);
  // Blanks around fields and around quoted fields go; those inside quotes stay.
  EXPECT_EQ(SplitRecordFields("  a , \" b \" ,c\t"), (std::vector<std::string>{"a", " b ", "c"}));
}

TEST(UninstallRecord, StringsTexts) {
  struct Case {
    const char* name;
    std::string strings;  // what follows "[Strings]"
    std::map<int32_t, std::string> texts;
  };
  const Case cases[] = {
      {"LinesKeptUntrimmed",
       "~10\r\n  one\r\n\r\ntwo \r\n~15\r\nx\r\n",
       {{10, "  one\r\n\r\ntwo "}, {15, "x"}}},
      {"LineFeedsOnly", "~10\nA\nB\n~15\nC", {{10, "A\r\nB"}, {15, "C"}}},
      {"NoFinalLineBreak", "~10\r\nlast", {{10, "last"}}},
      {"EmptyText", "~10\r\n~15\r\n\r\n", {{10, ""}, {15, ""}}},
      // A line starting with "~" ends the text; it starts none itself when it is no number.
      {"TildeEndsText",
       "~10\r\nfirst\r\n~not a number\r\nlost\r\n~15\r\nnext\r\n",
       {{10, "first"}, {15, "next"}}},
      {"IndentedTildeEndsText", "~10\r\nfirst\r\n  ~15\r\nnext\r\n", {{10, "first"}, {15, "next"}}},
      {"OutOfRangeIgnored",
       "~0\r\nzero\r\n~1001\r\nbig\r\n~99999999999\r\nhuge\r\n~1\r\none\r\n~1000\r\nmax\r\n",
       {{1, "one"}, {1000, "max"}}},
      {"NotANumber", "~-5\r\nx\r\n~+5\r\ny\r\n~ 5\r\nz\r\n~5a\r\nw\r\n", {}},
      {"LinesOutsideTextsIgnored", "stray\r\n~10\r\nkept\r\n", {{10, "kept"}}},
      {"LaterTextWins", "~10\r\nold\r\n~10\r\nnew\r\n", {{10, "new"}}},
      {"CaptionNumber", "~999\r\nMy \xC3\x84pp\r\n", {{999, "My \xC3\x84pp"}}},
      // A header ends a text; the empty lines that come with the header are not the text's.
      {"HeaderEndsText", "~10\r\nA\r\n\r\n\r\n\r\n[INF]\r\nx.inf\r\n", {{10, "A\r\n"}}},
      {"HeaderRightAfter", "~10\r\nA\r\n[INF]\r\n", {{10, "A"}}},
      {"HeaderInsideText", "~10\r\nA\r\n  [Firewall]  \r\n~15\r\nB\r\n", {{10, "A"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ParseUninstallRecord(StringsFile(c.strings)).texts, c.texts);
  }
}

TEST(UninstallRecord, TextStartingWithTildeIsCutThere) {
  UninstallRecord record;
  record.texts = EmptyTexts();
  record.texts[kTextUninstallFailed] = "first line\r\n~second line\r\nthird";
  UninstallRecord read = ParseUninstallRecord(FormatUninstallRecord("", record));
  EXPECT_EQ(read.texts.at(kTextUninstallFailed), "first line");
  EXPECT_EQ(read.texts.at(kTextUninstallCompleteCaption), "");
}

TEST(UninstallRecord, SectionLines) {
  const std::string bytes =
      "  C:\\App\\a.txt  \r\n"
      "\r\n"
      "~C:\\App\r\n"
      "[Associations]\r\n"
      ".txt~!~App.Text~!~open\r\n"
      ".a~!~A~!~open~!~more\r\n"  // the verb is the rest
      "~!~App.Text~!~open\r\n"    // no extension
      ".b~!~~!~open\r\n"          // no class
      ".c~!~C~!~\r\n"             // no verb
      ".d~!~D\r\n"                // one separator
      "[AutoClose]\r\n"
      "Cls,Title,Name,2\r\n"
      "Cls,Title,Name,1\r\n"
      "Cls , \"Title, long\" , Name , 0 \r\n"
      "Cls,Title,Name\r\n"
      "Cls,Title,Name,1,extra\r\n"
      "Cls,Title,Name,x\r\n"
      "Cls,Title,Name,-1\r\n"
      "[Firewall]\r\n"
      "80;Web;1;0\r\n"
      "\r\n"
      "[INF]\r\n"
      "  C:\\Windows\\INF\\oem1.inf\r\n"
      "[Registry]\r\n"
      "\\HKLM\\Key\\Value\r\n"
      "[MSI]\r\n"
      "\"C:\\p.msi\",0\r\n"
      "[ConditionalDelete]\r\n"
      "*.tmp,1,2024-01-31,8\r\n"
      "*.tmp,1,,\r\n"
      "*.tmp,256,,8\r\n"
      "*.tmp,1,,8,\r\n"
      "*.tmp,x,,8\r\n"
      "*.tmp,3,not a date,8\r\n"  // an argument its condition cannot use
      "*.tmp,5,12 kB,8\r\n"
      "*.tmp,5,1024,8\r\n"
      "[Registry2]\r\n"
      "  \\HKLM\\A , x  \r\n"
      "\r\n"
      "\\HKLM\\B\r\n";
  UninstallRecord expected;
  expected.removalEntries = {"C:\\App\\a.txt", "~C:\\App"};
  expected.associations = {{".txt", "App.Text", "open"}, {".a", "A", "open~!~more"}};
  expected.autoClose = {
      {"Cls", "Title", "Name", 2, 4},
      {"Cls", "Title", "Name", 1, 2},
      {"Cls", "Title, long", "Name", 0, 2},
  };
  expected.firewallLines = {"80;Web;1;0"};
  expected.infLines = {"C:\\Windows\\INF\\oem1.inf"};
  expected.registryLines = {"\\HKLM\\Key\\Value"};
  expected.msiLines = {"\"C:\\p.msi\",0"};
  expected.conditionalDeletes = {{"*.tmp", kDeleteDateEqual, "2024-01-31", kDeleteModeUninstall},
                                 {"*.tmp", kDeleteSizeAtLeast, "1024", kDeleteModeUninstall}};
  expected.registry2Text = "\\HKLM\\A , x\r\n\r\n\\HKLM\\B\r\n";
  EXPECT_EQ(ParseUninstallRecord(bytes), expected);
}

// A quoted field with a line break spans lines; an unclosed quote loses only its own entry.
TEST(UninstallRecord, QuotedLineBreaks) {
  const std::string bytes =
      "[AutoClose]\r\n"
      "Cls,\"two\r\n"
      "lines\",Name,1\r\n"
      "Cls,\"never closed,Name,1\r\n"
      "more\r\n"
      "[ConditionalDelete]\r\n"
      "a.txt,0,,8\r\n";
  UninstallRecord read = ParseUninstallRecord(bytes);
  ASSERT_EQ(read.autoClose.size(), 1u);
  EXPECT_EQ(read.autoClose[0].window_title, "two\r\nlines");
  ASSERT_EQ(read.conditionalDeletes.size(), 1u);
  EXPECT_EQ(read.conditionalDeletes[0].file_spec, "a.txt");
}

TEST(UninstallRecord, TextsAsUtf8) {
  EXPECT_EQ(RecordTextUtf8(u"Plain"), "Plain");
  EXPECT_EQ(RecordTextUtf8(u"\u00C4\u20AC\U0001F600"), "\xC3\x84\xE2\x82\xAC\xF0\x9F\x98\x80");
  const char16_t lone[] = {u'a', 0xD800, u'b', 0xDC00, 0xD83D, 0};
  EXPECT_EQ(RecordTextUtf8(lone), "a?b??");
}

// Damaged files: every cut of a real record, random bytes and very long lines are read
// without fault (the sanitizers watch the reads).
TEST(UninstallRecord, DamagedFilesAreReadSafely) {
  UninstallRecord record;
  record.texts = EmptyTexts();
  record.texts[kTextUninstallFailed] = "two\r\nlines";
  record.autoClose = {{"C", "\"t\"", "n,1", 2, 4}};
  record.associations = {{".x", "X", "open"}};
  record.firewallLines = {"1;a;1;0"};
  record.registry2Text = "\\HKLM\\A\r\n";
  record.conditionalDeletes = {{"a", kDeleteDateEqual, "b", kDeleteModeUninstall}};
  const std::string whole = FormatUninstallRecord("C:\\a.txt\r\n~C:\\b\r\n", record);
  for (size_t cut = 0; cut <= whole.size(); ++cut) {
    ParseUninstallRecord(std::string_view(whole).substr(0, cut));
    ParseUninstallRecord(std::string_view(whole).substr(cut));
  }

  uint32_t state = 12345;
  auto next = [&state] {
    state = state * 1103515245u + 12345u;
    return static_cast<char>(state >> 16);
  };
  const std::string alphabet = "~[]\"\r\n,;!|\t 09Strings";
  for (int round = 0; round < 300; ++round) {
    std::string junk;
    for (int i = 0; i < 400; ++i) {
      const char c = next();
      junk += (round % 2 == 0) ? c : alphabet[static_cast<uint8_t>(c) % alphabet.size()];
    }
    ParseUninstallRecord(junk);
    ParseUninstallRecord(whole + junk);
  }

  const std::string longLine(1 << 20, 'x');
  UninstallRecord read = ParseUninstallRecord(longLine);
  ASSERT_EQ(read.removalEntries.size(), 1u);
  EXPECT_EQ(read.removalEntries[0].size(), longLine.size());
  read = ParseUninstallRecord("[AutoClose]\r\n\"" + longLine);
  EXPECT_TRUE(read.autoClose.empty());
  // An unclosed quote in the last section takes every line after it, each read once.
  std::string unclosed = "[ConditionalDelete]\r\n\"never closed";
  for (int i = 0; i < 200000; ++i) unclosed += "\r\nx,0,,8";
  read = ParseUninstallRecord(unclosed);
  EXPECT_TRUE(read.conditionalDeletes.empty());
  read = ParseUninstallRecord(std::string("\0\r\n[Strings]\r\n~10\r\n\0x", 21));
  EXPECT_EQ(read.removalEntries, std::vector<std::string>{std::string(1, '\0')});
  EXPECT_EQ(read.texts.at(10), std::string("\0x", 2));
}

}  // namespace
}  // namespace qs
