// The product's record of its counted shared files: the markers, the two ways entries are
// written, and the test that keeps a reinstallation from counting a file twice.
#include <gtest/gtest.h>

#include "files/shared_files.h"

namespace qs {
namespace {

TEST(SharedFiles, Markers) {
  struct Case {
    const char* name;
    std::string pathWithMarker;
    SharedFileEntry expected;
  };
  const Case cases[] = {
      {"Ordinary", "C:\\Shared\\a.dll", {"C:\\Shared\\a.dll", 0}},
      {"Permanent", "C:\\Win\\a.dll ", {"C:\\Win\\a.dll", ' '}},
      {"ComServer", "C:\\Win\\a.dll^", {"C:\\Win\\a.dll", '^'}},
      {"TypeLibrary", "C:\\Win\\a.tlb\xA9", {"C:\\Win\\a.tlb", '\xA9'}},
      // One marker only, the last character.
      {"OneMarker", "C:\\Win\\a.dll ^", {"C:\\Win\\a.dll ", '^'}},
      {"Empty", "", {"", 0}},
      // UTF-8 paths: 0xA9 is also the last byte of "\xC3\xA9" (e with acute) and of
      // "\xC2\xA9" (copyright).
      {"Utf8Ordinary", "|C:\\Caf\xC3\xA9", {"|C:\\Caf\xC3\xA9", 0}},
      {"Utf8TypeLibraryEndingInAccent", "|C:\\Caf\xC3\xA9\xA9", {"|C:\\Caf\xC3\xA9", '\xA9'}},
      {"Utf8TypeLibrary", "|C:\\Caf\xC3\xA9\\a.tlb\xA9", {"|C:\\Caf\xC3\xA9\\a.tlb", '\xA9'}},
      {"Utf8ThreeByteCharacter", "|C:\\x\xE2\x82\xA9", {"|C:\\x\xE2\x82\xA9", 0}},
      {"Utf8ThreeByteThenMarker", "|C:\\x\xE2\x82\xA9\xA9", {"|C:\\x\xE2\x82\xA9", '\xA9'}},
      {"Utf8ComServer", "|C:\\Caf\xC3\xA9^", {"|C:\\Caf\xC3\xA9", '^'}},
      // Without the bar the path is in the ANSI code page, where 0xA9 is a character of its own.
      {"AnsiTypeLibrary", "C:\\Caf\xE9\xA9", {"C:\\Caf\xE9", '\xA9'}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SplitSharedMarker(c.pathWithMarker), c.expected);
  }
}

TEST(SharedFiles, RecordIsWrittenJoinedBySemicolons) {
  std::string text;
  AppendSharedEntry(text, "C:\\Shared\\a.dll");
  EXPECT_EQ(text, "\"C:\\Shared\\a.dll\"");
  AppendSharedEntry(text, "C:\\Win\\b.dll^");
  AppendSharedEntry(text, "C:\\Win\\c.tlb\xA9");
  EXPECT_EQ(text, "\"C:\\Shared\\a.dll\";\"C:\\Win\\b.dll^\";\"C:\\Win\\c.tlb\xA9\"");
  EXPECT_EQ(QuoteSharedEntry("a\"b"), "\"a\"\"b\"");
}

TEST(SharedFiles, ParsesBothForms) {
  const std::vector<SharedFileEntry> three = {
      {"C:\\Shared\\a.dll", 0}, {"C:\\Win\\b.dll", '^'}, {"C:\\Win\\c.dll", ' '}};
  struct Case {
    const char* name;
    std::string text;
    std::vector<SharedFileEntry> expected;
  };
  const Case cases[] = {
      {"Joined", "\"C:\\Shared\\a.dll\";\"C:\\Win\\b.dll^\";\"C:\\Win\\c.dll \"", three},
      {"EachFollowed", "\"C:\\Shared\\a.dll\";\"C:\\Win\\b.dll^\";\"C:\\Win\\c.dll \";", three},
      {"Single", "\"C:\\Win\\t.tlb\xA9\"", {{"C:\\Win\\t.tlb", '\xA9'}}},
      {"Empty", "", {}},
      {"DoubledQuote",
       "\"C:\\a\"\"b.dll^\";\"C:\\c.dll\";",
       {{"C:\\a\"b.dll", '^'}, {"C:\\c.dll", 0}}},
      // Entries without a path are passed over; so is a last entry cut short.
      {"EmptyEntries", "\"\";\"^\";\"C:\\a.dll\"", {{"C:\\a.dll", 0}}},
      {"Unterminated", "\"C:\\a.dll\";\"C:\\b.d", {{"C:\\a.dll", 0}}},
      {"Utf8",
       "\"|C:\\Caf\xC3\xA9\";\"|C:\\Caf\xC3\xA9\\t.tlb\xA9\"",
       {{"|C:\\Caf\xC3\xA9", 0}, {"|C:\\Caf\xC3\xA9\\t.tlb", '\xA9'}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ParseSharedFiles(c.text), c.expected);
  }
}

TEST(SharedFiles, WrittenEntriesReadBack) {
  const std::vector<std::string> files = {"C:\\Shared\\a.dll", "C:\\Win\\b.dll^", "C:\\Win\\c.dll ",
                                          "|C:\\Caf\xC3\xA9\\t.tlb\xA9", "C:\\odd\"name.dll"};
  std::string text;
  for (const std::string& file : files) AppendSharedEntry(text, file);
  std::vector<SharedFileEntry> expected;
  for (const std::string& file : files) expected.push_back(SplitSharedMarker(file));
  EXPECT_EQ(ParseSharedFiles(text), expected);
  for (const std::string& file : files) EXPECT_TRUE(ListsSharedEntry(text, file)) << file;
}

// A file counted before is listed with the same marker; another marker is another entry, and
// only whole entries count.
TEST(SharedFiles, ListedEntries) {
  const std::string joined = "\"C:\\Win\\a.dll\";\"C:\\Win\\b.dll^\";\"C:\\Win\\c.dll \"";
  const std::string followed = joined + ";";
  struct Case {
    const char* entry;
    bool listed;
  };
  const Case cases[] = {
      {"C:\\Win\\a.dll", true},
      {"C:\\Win\\b.dll^", true},
      {"C:\\Win\\c.dll ", true},
      {"C:\\Win\\b.dll", false},
      {"C:\\Win\\a.dll^", false},
      {"C:\\Win\\a.dll ", false},
      {"C:\\Win\\c.dll", false},
      {"C:\\Win\\a.dl", false},
      {"Win\\a.dll", false},
      {"C:\\WIN\\A.DLL", false},
      {"", false},
      {";", false},
      {"C:\\Win\\a.dll\";\"C:\\Win\\b.dll^", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    EXPECT_EQ(ListsSharedEntry(joined, c.entry), c.listed);
    EXPECT_EQ(ListsSharedEntry(followed, c.entry), c.listed);
  }
  EXPECT_FALSE(ListsSharedEntry("", "C:\\Win\\a.dll"));
}

}  // namespace
}  // namespace qs
