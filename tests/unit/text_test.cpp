#include "base/text.h"

#include <gtest/gtest.h>

namespace qs {
namespace {

TEST(TextTest, Utf8RoundTripsEveryPlane) {
  const std::u16string wide = u"A\u00e9\u20ac\U0001F600z";  // 1-, 2-, 3- and 4-byte forms
  const std::string utf8 = Utf16ToUtf8(wide);
  EXPECT_EQ(utf8, "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z");
  EXPECT_EQ(Utf8ToUtf16(utf8), wide);
}

TEST(TextTest, MalformedUtf8BecomesReplacementCharacters) {
  struct Case {
    const char* name;
    std::string input;
    std::u16string expected;
  };
  const Case cases[] = {
      {"lone continuation", "a\x80z", u"a\uFFFDz"},
      {"invalid lead byte", "\xFF\xC0\xC1", u"\uFFFD\uFFFD\uFFFD"},
      {"truncated at end", "ab\xE2\x82", u"ab\uFFFD"},
      {"truncated 4-byte at end", "\xF0\x9F\x98", u"\uFFFD"},
      {"broken by ASCII", "\xE2\x82z", u"\uFFFDz"},
      {"overlong 3-byte", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
      {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"highest code point", "\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utf8ToUtf16(c.input), c.expected) << c.name;
  }
}

TEST(TextTest, UnpairedSurrogatesBecomeReplacementCharacters) {
  const char16_t lowFirst[] = {0xDC00, 0xD800, u'x', 0};
  EXPECT_EQ(Utf16ToUtf8(lowFirst), "\xEF\xBF\xBD\xEF\xBF\xBDx");
  const char16_t highAtEnd[] = {u'x', 0xD83D, 0};
  EXPECT_EQ(Utf16ToUtf8(highAtEnd), "x\xEF\xBF\xBD");
}

TEST(TextTest, BarConventionKeepsAsciiAndMarksTheRest) {
  EXPECT_EQ(ToBarNarrow(u"C:\\Program Files\\App"), "C:\\Program Files\\App");
  EXPECT_EQ(ToBarNarrow(u""), "");
  EXPECT_EQ(ToBarNarrow(u"Caf\u00e9"), "|Caf\xC3\xA9");

  EXPECT_EQ(FromBarNarrow("|Caf\xC3\xA9", DecodeLatin1), u"Caf\u00e9");
  EXPECT_EQ(FromBarNarrow("Caf\xE9", DecodeLatin1), u"Caf\u00e9");  // ANSI path
  EXPECT_EQ(FromBarNarrow("|", DecodeLatin1), u"");
}

TEST(TextTest, AsciiTextBeginningWithBarSurvivesTheRoundTrip) {
  // Copied unchanged, "|x" would come back as "x".
  for (std::u16string wide : {u"|", u"|x", u"||", u"|\u00e9"}) {
    const std::string narrow = ToBarNarrow(wide);
    EXPECT_EQ(FromBarNarrow(narrow, DecodeLatin1), wide) << narrow;
  }
  EXPECT_EQ(ToBarNarrow(u"|x"), "||x");
}

TEST(TextTest, FromBarNarrowUsesTheGivenAnsiDecoder) {
  const AnsiDecoder upper = [](std::string_view) { return std::u16string(u"decoded"); };
  EXPECT_EQ(FromBarNarrow("abc", upper), u"decoded");
  EXPECT_EQ(FromBarNarrow("|abc", upper), u"abc");
}

TEST(TextTest, AsciiCaseHelpersLeaveOtherBytesAlone) {
  EXPECT_EQ(AsciiLower("MiN\xC9Z@["), "min\xC9z@[");
  EXPECT_TRUE(EqualsIgnoreAsciiCase("B1:", "b1:"));
  EXPECT_FALSE(EqualsIgnoreAsciiCase("\xC9", "\xE9"));  // Latin-1 É/é are not folded
  EXPECT_FALSE(EqualsIgnoreAsciiCase("ab", "abc"));
  EXPECT_TRUE(StartsWithIgnoreAsciiCase("Uninstall", "u"));
  EXPECT_TRUE(StartsWithIgnoreAsciiCase("x", ""));
  EXPECT_FALSE(StartsWithIgnoreAsciiCase("D", "D:"));
  // In UTF-16 only ASCII letters fold: a unit whose low byte is an ASCII letter is not one.
  EXPECT_TRUE(StartsWithIgnoreAsciiCase(u"hklm\\Software", u"HKLM\\"));
  EXPECT_FALSE(StartsWithIgnoreAsciiCase(u"\u00C9t\u00E9", u"\u00E9"));
  EXPECT_FALSE(StartsWithIgnoreAsciiCase(u"\u0148KLM\\", u"HKLM\\"));  // U+0148: low byte 'H'
  EXPECT_FALSE(StartsWithIgnoreAsciiCase(u"H", u"HK"));
  EXPECT_TRUE(EqualsIgnoreAsciiCase(u"C:\\Program Files (X86)", u"c:\\program files (x86)"));
  EXPECT_FALSE(EqualsIgnoreAsciiCase(u"\u0148", u"h"));
  EXPECT_FALSE(EqualsIgnoreAsciiCase(u"\u00C9", u"\u00E9"));
  EXPECT_EQ(AsciiLower(u"Pr\u00D6DUKT\u0148"), u"pr\u00D6dukt\u0148");
}

TEST(TextTest, IsAscii) {
  EXPECT_TRUE(IsAscii(std::string_view("plain\x7F")));
  EXPECT_FALSE(IsAscii(std::string_view("\x80")));
  EXPECT_TRUE(IsAscii(std::u16string_view(u"plain")));
  EXPECT_FALSE(IsAscii(std::u16string_view(u"\u0080")));
}

}  // namespace
}  // namespace qs
