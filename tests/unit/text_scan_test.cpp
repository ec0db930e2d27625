#include "base/text_scan.h"

#include <gtest/gtest.h>

#include <string>

#include "base/text.h"

namespace qs {
namespace {

TEST(TextScanTest, DigitsAreAsciiOnly) {
  for (char c : std::string_view("0123456789")) EXPECT_TRUE(IsDigit(c)) << c;
  // The neighbours of the range, and Latin-1 superscripts, which a locale might take for digits
  // (and which are negative where char is signed).
  for (char c : std::string_view("/:\xB2\xB3\xB9 ")) EXPECT_FALSE(IsDigit(c)) << int(c);
}

TEST(TextScanTest, DriveLettersAreAsciiLetters) {
  for (char16_t c : std::u16string_view(u"AZaz")) EXPECT_TRUE(IsDriveLetter(c)) << int(c);
  // The neighbours of both ranges, a digit, a Latin-1 letter and a full-width "A".
  for (char16_t c : std::u16string_view(u"@[`{0\u00C4\uFF21")) {
    EXPECT_FALSE(IsDriveLetter(c)) << int(c);
  }
}

TEST(TextScanTest, TrimsOnlyTheirOwnCharactersAtTheEnds) {
  using namespace std::string_view_literals;
  struct Case {
    std::string_view text;
    std::string_view blanks;      // TrimBlanks
    std::string_view whiteSpace;  // TrimWhiteSpace
  };
  const Case cases[] = {
      {"", "", ""},
      {" \t \t", "", ""},
      {" \r\n\t", "\r\n", ""},
      {"\t a b \t", "a b", "a b"},
      {"\r\n a \r\n", "\r\n a \r\n", "a"},
      {" \r a \n ", "\r a \n", "a"},
      // Other control characters and the no-break space are kept.
      {"\v\fa\xA0", "\v\fa\xA0", "\v\fa\xA0"},
      {"a\0 "sv, "a\0"sv, "a\0"sv},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text));
    EXPECT_EQ(TrimBlanks(c.text), c.blanks);
    EXPECT_EQ(TrimWhiteSpace(c.text), c.whiteSpace);
    // The wide forms follow the same rule unit by unit.
    const std::u16string wide = DecodeLatin1(c.text);
    EXPECT_EQ(TrimBlanks(std::u16string_view(wide)), DecodeLatin1(c.blanks));
    EXPECT_EQ(TrimWhiteSpace(std::u16string_view(wide)), DecodeLatin1(c.whiteSpace));
  }
  EXPECT_EQ(TrimWhiteSpace(std::wstring_view(L"\r\n\t wide \u3000 \n")), L"wide \u3000");
}

TEST(TextScanTest, LeadingNumberStaysAtTheLargestPastIt) {
  struct Case {
    std::string_view text;
    uint32_t value;
  };
  constexpr uint32_t kLargest = 4294967295u;
  const Case cases[] = {
      {"", 0},
      {"x7", 0},
      // Neither signs nor blanks are part of the number.
      {"-5", 0},
      {"+5", 0},
      {" 5", 0},
      {"12ab", 12},
      {"1.9", 1},
      {"0", 0},
      {"007", 7},
      // Leading zeros do not bring the number nearer to the limit.
      {"0000000000000000000004294967295", kLargest},
      {"4294967290", 4294967290u},
      {"4294967294", 4294967294u},
      {"4294967295", kLargest},
      {"4294967295x", kLargest},
      // Past the largest number: never the low 32 bits (0, 3, ...).
      {"4294967296", kLargest},
      {"4294967299", kLargest},
      {"4294967300", kLargest},
      {"42949672950", kLargest},
      {"99999999999999999999999999", kLargest},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LeadingNumber(c.text), c.value) << c.text;
  }
}

}  // namespace
}  // namespace qs
