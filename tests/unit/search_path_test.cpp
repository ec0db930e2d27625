// The installation folder in the machine's search path: listed once, taken out exactly, and
// never confused with another folder that merely contains its name.
#include <gtest/gtest.h>

#include "files/search_path.h"

namespace qs {
namespace {

constexpr std::u16string_view kFolder = u"C:\\App";

struct Case {
  const char* name;
  std::u16string path;
  std::u16string expected;  // the path afterwards; unchanged when equal to `path`
};

using Edit = bool (*)(std::u16string&, std::u16string_view, SearchPathLowerCase);

// Each case edited with kFolder: the path as expected, and true exactly when it changed.
template <size_t N>
void ExpectEdits(Edit edit, const Case (&cases)[N]) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::u16string path = c.path;
    EXPECT_EQ(edit(path, kFolder, nullptr), c.expected != c.path);
    EXPECT_TRUE(path == c.expected);
  }
}

TEST(SearchPath, Add) {
  const Case cases[] = {
      {"EmptyPathUnchanged", u"", u""},
      {"Appended", u"C:\\Windows", u"C:\\Windows;C:\\App"},
      {"AfterTrailingSeparator", u"C:\\Windows;", u"C:\\Windows;C:\\App"},
      {"ListedInTheMiddle", u"C:\\Windows;C:\\App;D:\\Tools", u"C:\\Windows;C:\\App;D:\\Tools"},
      {"ListedFirst", u"C:\\App;C:\\Windows", u"C:\\App;C:\\Windows"},
      {"ListedLastWithoutSeparator", u"C:\\Windows;C:\\App", u"C:\\Windows;C:\\App"},
      {"ListedAlone", u"C:\\App", u"C:\\App"},
      {"ListedInOtherCase", u"C:\\Windows;c:\\APP;D:\\x", u"C:\\Windows;c:\\APP;D:\\x"},
      {"ListedLastInOtherCase", u"C:\\Windows;c:\\app", u"C:\\Windows;c:\\app"},
      // Other folders whose text contains the entry are not the entry.
      {"InsideAnotherEntry", u"D:\\C:\\App;C:\\Windows", u"D:\\C:\\App;C:\\Windows;C:\\App"},
      {"PrefixOfAnotherEntry", u"C:\\Apple;C:\\Windows", u"C:\\Apple;C:\\Windows;C:\\App"},
      {"EndOfLastEntry", u"C:\\Windows;D:\\C:\\App", u"C:\\Windows;D:\\C:\\App;C:\\App"},
  };
  ExpectEdits(AddToSearchPathText, cases);
}

TEST(SearchPath, AddingTwiceListsOnce) {
  std::u16string path = u"C:\\Windows";
  EXPECT_TRUE(AddToSearchPathText(path, kFolder));
  EXPECT_FALSE(AddToSearchPathText(path, kFolder));
  EXPECT_FALSE(AddToSearchPathText(path, u"c:\\app"));
  EXPECT_TRUE(path == u"C:\\Windows;C:\\App");
}

TEST(SearchPath, Remove) {
  const Case cases[] = {
      {"EmptyPathUnchanged", u"", u""},
      {"Middle", u"C:\\Windows;C:\\App;D:\\Tools", u"C:\\Windows;D:\\Tools"},
      {"First", u"C:\\App;C:\\Windows", u"C:\\Windows"},
      {"LastWithSeparator", u"C:\\Windows;C:\\App;", u"C:\\Windows;"},
      {"LastWithoutSeparator", u"C:\\Windows;C:\\App", u"C:\\Windows"},
      {"Alone", u"C:\\App", u""},
      {"AloneWithSeparator", u"C:\\App;", u""},
      {"Absent", u"C:\\Windows;D:\\Tools", u"C:\\Windows;D:\\Tools"},
      {"OtherCase", u"C:\\Windows;c:\\aPP;D:\\Tools", u"C:\\Windows;D:\\Tools"},
      {"LastInOtherCase", u"C:\\Windows;C:\\APP", u"C:\\Windows"},
      // Only the first of two listings goes.
      {"ListedTwice", u"C:\\App;C:\\Windows;C:\\App", u"C:\\Windows;C:\\App"},
      // Other folders whose text contains the entry stay whole.
      {"InsideAnotherEntry", u"D:\\C:\\App;C:\\Windows", u"D:\\C:\\App;C:\\Windows"},
      {"PrefixOfAnotherEntry", u"C:\\Apple;C:\\Windows", u"C:\\Apple;C:\\Windows"},
      {"EndOfLastEntry", u"C:\\Windows;D:\\C:\\App", u"C:\\Windows;D:\\C:\\App"},
      {"PrefixOfLastEntry", u"C:\\Windows;C:\\Apple", u"C:\\Windows;C:\\Apple"},
      {"OtherEntriesFirst", u"D:\\C:\\App;C:\\Apple;C:\\App;E:\\x", u"D:\\C:\\App;C:\\Apple;E:\\x"},
  };
  ExpectEdits(RemoveFromSearchPathText, cases);
}

// The Win32 side folds letters outside ASCII too; the edit keeps the path's own spelling.
TEST(SearchPath, SystemCaseFolding) {
  const auto lower = [](std::u16string_view text) {
    std::u16string lowered(text);
    for (char16_t& c : lowered) {
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
      if (c == u'\u00C4') c = u'\u00E4';
    }
    return lowered;
  };
  std::u16string path = u"C:\\Windows;C:\\\u00C4pp;D:\\x";
  EXPECT_FALSE(AddToSearchPathText(path, u"c:\\\u00E4pp", lower));
  EXPECT_TRUE(path == u"C:\\Windows;C:\\\u00C4pp;D:\\x");
  EXPECT_TRUE(RemoveFromSearchPathText(path, u"c:\\\u00E4pp", lower));
  EXPECT_TRUE(path == u"C:\\Windows;D:\\x");
  // Without the system's folding, only ASCII letters are folded.
  path = u"C:\\\u00C4pp";
  EXPECT_FALSE(RemoveFromSearchPathText(path, u"c:\\\u00E4pp"));
}

}  // namespace
}  // namespace qs
