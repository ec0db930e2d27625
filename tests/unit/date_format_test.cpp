#include "files/date_format.h"

#include <gtest/gtest.h>

#include <utility>

namespace qs {
namespace {

CalendarTime At(int32_t year, int32_t month, int32_t day, int32_t weekday, int32_t hour,
                int32_t minute = 0, int32_t second = 0) {
  return CalendarTime{year, month, day, weekday, hour, minute, second};
}

// Friday 5 July 2019, 9:03:07 in the morning.
const CalendarTime kMorning = At(2019, 7, 5, 5, 9, 3, 7);

TEST(DateFormatTest, Tokens) {
  struct Case {
    const char* format;
    CalendarTime time;
    const char* expected;
  };
  const Case cases[] = {
      // The default format, also what an empty format stands for.
      {"d-M-yy h:ii:ssap", kMorning, "5-Jul-2019 9:03:07a"},
      {"", kMorning, "5-Jul-2019 9:03:07a"},
      {"", At(2020, 12, 31, 4, 23, 59, 59), "31-Dec-2020 11:59:59p"},

      // Single and doubled numbers; a doubled letter is one token, a tripled one a token and
      // a single.
      {"d dd m mm", kMorning, "5 05 7 07"},
      {"ddd", kMorning, "055"},
      {"H HH i ii s ss", kMorning, "9 09 3 03 7 07"},
      {"dd.mm.yy", At(2019, 11, 25, 1, 0), "25.11.2019"},
      {"y yy", kMorning, "19 2019"},
      {"y yy", At(2005, 1, 1, 6, 0), "05 2005"},
      {"y yy", At(999, 1, 1, 0, 0), "99 0999"},

      // Names.
      {"M MM", kMorning, "Jul July"},
      {"M MM", At(2019, 9, 1, 0, 0), "Sep September"},
      {"W WW w ww", kMorning, "Fri Friday 5 05"},
      {"W WW w ww", At(2019, 7, 7, 0, 0), "Sun Sunday 0 00"},

      // The twelve-hour clock around midnight and noon.
      {"h hh ap AP", At(2019, 7, 5, 5, 0, 30), "12 12 a a.m."},
      {"h hh ap AP", At(2019, 7, 5, 5, 11, 59), "11 11 a a.m."},
      {"h hh ap AP", At(2019, 7, 5, 5, 12, 0), "12 12 p p.m."},
      {"h hh ap AP", At(2019, 7, 5, 5, 13, 0), "1 01 p p.m."},
      {"h hh ap AP", At(2019, 7, 5, 5, 23, 0), "11 11 p p.m."},
      {"h:iiaP hAp", At(2019, 7, 5, 5, 15, 4), "3:04p 3p.m."},

      // An "a" or "A" without a "p" after it is the letter itself; other characters are copied.
      {"a A aa d/at", kMorning, "a A aa 5/at"},
      {"[dd] at HH:ii!", kMorning, "[05] at 09:03!"},
      {"xyz", kMorning, "x19z"},
      {"D of MM", kMorning, "5th of July"},

      // The time stamp: seconds since 1970-01-01 of the fields as they stand.
      {"b", At(1970, 1, 1, 4, 0), "0"},
      {"b", At(1970, 1, 2, 5, 0, 0, 1), "86401"},
      {"b", kMorning, "1562317387"},
      {"b", At(2000, 3, 1, 3, 0), "951868800"},  // after a leap day of a leap century
      {"b", At(1969, 12, 31, 3, 23, 59, 59), "-1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    EXPECT_EQ(FormatDateTime(c.time, c.format), c.expected);
  }
}

// Ordinals: the day with its suffix, and as a word.
TEST(DateFormatTest, Ordinals) {
  const std::pair<int32_t, const char*> cases[] = {
      {1, "1st First"},           {2, "2nd Second"},         {3, "3rd Third"},
      {4, "4th Fourth"},          {11, "11th Eleventh"},     {12, "12th Twelfth"},
      {13, "13th Thirteenth"},    {20, "20th Twentieth"},    {21, "21st Twenty-first"},
      {22, "22nd Twenty-second"}, {23, "23rd Twenty-third"}, {30, "30th Thirtieth"},
      {31, "31st Thirty-first"},
  };
  for (const auto& [day, expected] : cases) {
    EXPECT_EQ(FormatDateTime(At(2019, 7, day, 0, 0), "D DD"), expected) << day;
  }
}

// Years in words: the last two digits, and the whole year.
TEST(DateFormatTest, YearsInWords) {
  const std::pair<int32_t, const char*> cases[] = {
      {2019, "Nineteen | Twenty nineteen"},
      {1905, "Oh five | Nineteen oh five"},
      {1999, "Ninety-nine | Nineteen ninety-nine"},
      {1900, "Oh zero | Nineteen hundred"},
      {2000, "Oh zero | Two thousand"},
      {2010, "Ten | Twenty ten"},
  };
  for (const auto& [year, expected] : cases) {
    EXPECT_EQ(FormatDateTime(At(year, 1, 1, 0, 0), "Y | YY"), expected) << year;
  }
}

// Fields out of their ranges give no name rather than reading beside a table.
TEST(DateFormatTest, FieldsOutOfRange) {
  const CalendarTime odd = At(2019, 13, 0, 7, 25, 61, 61);
  EXPECT_EQ(FormatDateTime(odd, "[M][MM][W][WW]"), "[][][][]");
  EXPECT_EQ(FormatDateTime(odd, "d D DD"), "0 0th 0th");
  EXPECT_EQ(FormatDateTime(odd, "H h ap i s"), "25 1 p 61 61");
}

}  // namespace
}  // namespace qs
