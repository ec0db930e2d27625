#include "files/pending_operations.h"

#include <gtest/gtest.h>

namespace qs {
namespace {

using Strings = std::vector<std::u16string>;

// ASCII folding plus one pair outside it, to show that the lowering is the caller's.
std::u16string TestLower(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    if (c == u'\u00C9') c = u'\u00E9';
  }
  return out;
}

TEST(PendingOperationsTest, NormalizingStripsEveryLeadingPrefixCharacter) {
  EXPECT_EQ(NormalizePendingPath(u"\\??\\C:\\App\\A.dll", TestLower), u"c:\\app\\a.dll");
  EXPECT_EQ(NormalizePendingPath(u"!\\??\\C:\\App\\A.dll", TestLower), u"c:\\app\\a.dll");
  EXPECT_EQ(NormalizePendingPath(u"?!\\\\C:\\\u00C9t\u00C9", TestLower), u"c:\\\u00e9t\u00e9");
  // Only the leading ones: inside the path they are kept.
  EXPECT_EQ(NormalizePendingPath(u"\\\\?\\C:\\a!b\\?", TestLower), u"c:\\a!b\\?");
  EXPECT_EQ(NormalizePendingPath(u"\\??\\", TestLower), u"");
}

TEST(PendingOperationsTest, DropsThePairsThatWouldUndoThisRun) {
  const std::set<std::u16string> files = {u"c:\\app\\a.dll", u"c:\\app\\\u00e9.dll",
                                          u"c:\\app\\b.dll"};
  struct Case {
    const char* name;
    Strings list;
    Strings expected;
    std::u16string log;
    Strings recycled;
  };
  const Case cases[] = {
      {"move onto an installed file",
       {u"\\??\\C:\\App\\KWV1.tmp", u"!\\??\\C:\\App\\A.dll", u"\\??\\C:\\x", u"!\\??\\C:\\y"},
       {u"\\??\\C:\\x", u"!\\??\\C:\\y"},
       u"File \"c:\\app\\a.dll\" was removed from the list of pending moves.\r\n",
       {u"c:\\app\\kwv1.tmp"}},
      {"deletion of an installed file",
       {u"\\??\\C:\\other", u"", u"\\??\\C:\\APP\\B.DLL", u""},
       {u"\\??\\C:\\other", u""},
       u"File \"c:\\app\\b.dll\" was removed from the list of pending deletions.\r\n",
       {}},
      {"deletion of an empty source",
       {u"", u"", u"\\??\\C:\\other", u""},
       {u"\\??\\C:\\other", u""},
       u"File \"\" was removed from the list of pending deletions.\r\n",
       {}},
      {"odd length: the last source is a deletion",
       {u"\\??\\C:\\x", u"\\??\\C:\\y", u"\\??\\C:\\App\\b.dll"},
       {u"\\??\\C:\\x", u"\\??\\C:\\y"},
       u"File \"c:\\app\\b.dll\" was removed from the list of pending deletions.\r\n",
       {}},
      {"non-ASCII names fold through the caller's lowering",
       {u"\\??\\C:\\t", u"!\\??\\C:\\App\\\u00C9.DLL"},
       {},
       u"File \"c:\\app\\\u00E9.dll\" was removed from the list of pending moves.\r\n",
       {u"c:\\t"}},
      {"both kinds and a move with an empty source",
       {u"", u"\\??\\C:\\App\\A.dll", u"\\??\\C:\\App\\B.dll", u"", u"\\??\\C:\\k", u"",
        u"\\??\\C:\\m", u"!\\??\\C:\\n"},
       {u"\\??\\C:\\k", u"", u"\\??\\C:\\m", u"!\\??\\C:\\n"},
       u"File \"c:\\app\\a.dll\" was removed from the list of pending moves.\r\n"
       u"File \"c:\\app\\b.dll\" was removed from the list of pending deletions.\r\n",
       {}},
  };
  for (const Case& c : cases) {
    const PendingOperationsEdit edit = DropPendingOperationsOn(c.list, files, TestLower);
    EXPECT_EQ(edit.operations, c.expected) << c.name;
    EXPECT_EQ(edit.log, c.log) << c.name;
    EXPECT_EQ(edit.toRecycle, c.recycled) << c.name;
    EXPECT_TRUE(edit.changed) << c.name;
  }
}

TEST(PendingOperationsTest, NothingToDropLeavesTheListAlone) {
  const std::set<std::u16string> files = {u"c:\\app\\a.dll"};
  for (const Strings& list :
       {Strings{}, Strings{u"\\??\\C:\\x", u"!\\??\\C:\\y"}, Strings{u"\\??\\C:\\x", u""},
        // a move away from an installed file
        Strings{u"\\??\\C:\\App\\A.dll", u"\\??\\C:\\elsewhere"}}) {
    const PendingOperationsEdit edit = DropPendingOperationsOn(list, files, TestLower);
    EXPECT_FALSE(edit.changed);
    EXPECT_EQ(edit.operations, list);
    EXPECT_EQ(edit.log, u"");
    EXPECT_TRUE(edit.toRecycle.empty());
  }
  // An odd list gains its missing target, but that alone is no reason to write it back.
  const PendingOperationsEdit odd = DropPendingOperationsOn({u"\\??\\C:\\x"}, files, TestLower);
  EXPECT_FALSE(odd.changed);
  EXPECT_EQ(odd.operations, (Strings{u"\\??\\C:\\x", u""}));
}

TEST(PendingOperationsTest, MultiStringKeepsEmptyStrings) {
  using namespace std::string_view_literals;
  struct Case {
    const char* name;
    std::u16string_view data;
    Strings strings;
  };
  const Case cases[] = {
      {"move", u"\\??\\C:\\a\0!\\??\\C:\\b\0\0"sv, {u"\\??\\C:\\a", u"!\\??\\C:\\b"}},
      {"deletion last", u"a\0b\0c\0\0\0"sv, {u"a", u"b", u"c", u""}},
      {"deletion first", u"c\0\0a\0b\0\0"sv, {u"c", u"", u"a", u"b"}},
      {"no closing zero", u"a\0b"sv, {u"a", u"b"}},
      {"empty value", u""sv, {}},
      {"only zeros", u"\0\0"sv, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseMultiString(c.data), c.strings) << c.name;
  }
  for (const Strings& strings : {Strings{u"a", u"", u"b", u"c"}, Strings{u"a", u""}, Strings{}}) {
    EXPECT_EQ(ParseMultiString(EncodeMultiString(strings)), strings);
  }
  EXPECT_EQ(EncodeMultiString({u"a", u""}), u"a\0\0\0"sv);
}

}  // namespace
}  // namespace qs
