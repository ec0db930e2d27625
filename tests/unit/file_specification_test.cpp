// The text side of file specifications: lines, " /s", base folders and the full paths of items.
#include "files/file_specification.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qs {
namespace {

constexpr char16_t kDefault[] = u"C:\\Program Files\\Product";

std::string Utf8(std::u16string_view text) {
  return Utf16ToUtf8(text);
}

// "text" for a line, "text /s" for one with subfolders, in UTF-8.
std::vector<std::string> Lines(std::string_view specification) {
  std::vector<std::string> lines;
  for (const SpecificationLine& line : SplitSpecification(specification, DecodeLatin1)) {
    lines.push_back(Utf8(line.text) + (line.subfolders ? " /s" : ""));
  }
  return lines;
}

TEST(FileSpecification, Lines) {
  struct Case {
    const char* name;
    std::string specification;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"Empty", "", {}},
      {"OnlyBlanksAndBreaks", " \r\n\t\n\r\n  ", {}},
      {"EveryKindOfBreak", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
      {"Trimmed", "  *.tmp\t\r\n", {"*.tmp"}},
      {"Subfolders", "*.tmp /s", {"*.tmp /s"}},
      {"SubfoldersAfterTrailingBlanks", "*.tmp /s  ", {"*.tmp /s"}},
      {"BlanksBeforeSwitchGoToo", "*.tmp   /s", {"*.tmp /s"}},
      {"SwitchNeedsItsBlank", "dir/s", {"dir/s"}},
      {"CapitalSIsAName", "*.tmp /S", {"*.tmp /S"}},
      {"SwitchOnlyAtTheEnd", "a /s;b", {"a /s;b"}},
      {"SwitchPerLine", "a /s\r\nb", {"a /s", "b"}},
      {"AnsiDecoded", "caf\xE9.txt", {"caf\xC3\xA9.txt"}},
      // Narrow texts beyond the code page travel as "|" + UTF-8; the bar covers the whole text.
      {"BarCoversEveryLine",
       "|\xC3\xA4.txt\r\n\xC3\xB6.txt /s",
       {"\xC3\xA4.txt", "\xC3\xB6.txt /s"}},
      {"BarOfOneLine", "a.txt\r\n  |\xC3\xB6.txt", {"a.txt", "\xC3\xB6.txt"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Lines(c.specification), c.lines) << c.name;
  }
}

TEST(FileSpecification, AbsolutePaths) {
  struct Case {
    const char16_t* path;
    bool absolute;
  };
  const Case cases[] = {
      {u"C:\\", true},        {u"z:\\dir\\a.txt", true}, {u"\\\\server\\share", true},
      {u"C:", false},         {u"C:a.txt", false},       {u"\\dir\\a.txt", false},
      {u"1:\\a.txt", false},  {u"a.txt", false},         {u"", false},
      {u"dir\\a.txt", false}, {u"C:/dir", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsAbsolutePath(c.path), c.absolute) << Utf8(c.path);
  }
}

TEST(FileSpecification, BaseFolder) {
  struct Case {
    const char16_t* line;
    const char16_t* folder;
  };
  const Case cases[] = {
      {u"*.tmp", kDefault},
      {u"a.txt;b.txt", kDefault},
      {u"C:\\dir\\*.tmp", u"C:\\dir"},
      {u"C:\\*.tmp", u"C:\\"},
      {u"d:\\a.txt;b.txt", u"d:\\"},
      {u"\\\\server\\share\\*.log", u"\\\\server\\share"},
      {u"sub\\*.tmp", u"C:\\Program Files\\Product\\sub"},
      {u"sub\\deeper\\x.txt", u"C:\\Program Files\\Product\\sub\\deeper"},
      // The last backslash decides, within the item that holds it.
      {u"C:\\one\\a.txt;D:\\two\\b.txt;c.txt", u"D:\\two"},
      {u"a.txt; C:\\dir\\b.txt", u"C:\\dir"},
      {u"\\root.txt", kDefault},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utf8(LineBaseFolder(c.line, kDefault)), Utf8(c.folder)) << Utf8(c.line);
  }
}

TEST(FileSpecification, Items) {
  struct Case {
    const char16_t* line;
    std::vector<std::u16string> items;
  };
  const Case cases[] = {
      {u"*.tmp", {u"C:\\Program Files\\Product\\*.tmp"}},
      {u"C:\\dir\\a.txt;b.txt", {u"C:\\dir\\a.txt", u"C:\\dir\\b.txt"}},
      {u"C:\\a.txt;b.txt", {u"C:\\a.txt", u"C:\\b.txt"}},
      {u"a.txt;;  ; b.txt ;",
       {u"C:\\Program Files\\Product\\a.txt", u"C:\\Program Files\\Product\\b.txt"}},
      {u"sub\\*.tmp", {u"C:\\Program Files\\Product\\sub\\*.tmp"}},
      {u"sub\\a.txt;b.txt",
       {u"C:\\Program Files\\Product\\sub\\a.txt", u"C:\\Program Files\\Product\\sub\\b.txt"}},
      {u"other\\a.txt;C:\\dir\\b.txt;c.txt",
       {u"C:\\Program Files\\Product\\other\\a.txt", u"C:\\dir\\b.txt", u"C:\\dir\\c.txt"}},
      {u"\\\\server\\share\\a.log;b.log",
       {u"\\\\server\\share\\a.log", u"\\\\server\\share\\b.log"}},
      {u";", {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> expected;
    for (const std::u16string& item : c.items) expected.push_back(Utf8(item));
    std::vector<std::string> items;
    for (const std::u16string& item : LineItems(c.line, kDefault)) items.push_back(Utf8(item));
    EXPECT_EQ(items, expected) << Utf8(c.line);
  }
}

TEST(FileSpecification, ItemParts) {
  struct Case {
    const char16_t* item;
    const char16_t* folder;
    const char16_t* pattern;
  };
  const Case cases[] = {
      {u"C:\\dir\\*.tmp", u"C:\\dir", u"*.tmp"},
      {u"C:\\a?.txt", u"C:\\", u"a?.txt"},
      {u"C:\\dir\\", u"C:\\dir", u""},
      {u"\\\\server\\share\\x", u"\\\\server\\share", u"x"},
  };
  for (const Case& c : cases) {
    ItemParts parts = SplitItem(c.item);
    EXPECT_EQ(Utf8(parts.folder), Utf8(c.folder)) << Utf8(c.item);
    EXPECT_EQ(Utf8(parts.pattern), Utf8(c.pattern)) << Utf8(c.item);
  }
}

}  // namespace
}  // namespace qs
