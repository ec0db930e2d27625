#include "base/date_time.h"

#include <gtest/gtest.h>

#include <limits>

namespace qs {
namespace {

int Sign(int value) {
  return (value > 0) - (value < 0);
}

DateTime At(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute = 0,
            int32_t second = 0) {
  return DateTime{year, month, day, hour, minute, second};
}

TEST(DateTimeTest, OrdersDatesAndTimes) {
  const DateTime none;  // no date, no time
  const DateTime dateOnly = At(2019, 7, 5, -1);
  const DateTime timeOnly = At(0, 0, 0, 9, 3, 7);
  struct Case {
    const char* name;
    DateTime a;
    DateTime b;
    int expected;  // sign
  };
  const Case cases[] = {
      {"year first", At(2018, 12, 31, 23), At(2019, 1, 1, 0), -1},
      {"month before day", At(2019, 6, 30, 0), At(2019, 7, 1, 0), -1},
      {"hour", At(2019, 7, 5, 8, 59, 59), At(2019, 7, 5, 9, 0, 0), -1},
      {"minute", At(2019, 7, 5, 9, 2, 59), At(2019, 7, 5, 9, 3, 0), -1},
      {"second", At(2019, 7, 5, 9, 3, 7), At(2019, 7, 5, 9, 3, 8), -1},
      {"equal", At(2019, 7, 5, 9, 3, 7), At(2019, 7, 5, 9, 3, 7), 0},
      {"no date orders after any date", none, At(9999, 12, 31, 23), 1},
      {"no date, then times decide", timeOnly, At(0, 0, 0, 10), -1},
      {"same date, no time orders after a time", dateOnly, At(2019, 7, 5, 23, 59, 59), 1},
      {"no date, no time on both", none, none, 0},
      {"date only on both", dateOnly, dateOnly, 0},
      {"extreme years do not overflow", At(std::numeric_limits<int32_t>::min(), 1, 1, 0),
       At(std::numeric_limits<int32_t>::max(), 1, 1, 0), -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Sign(CompareDateTime(c.a, c.b)), c.expected) << c.name;
    EXPECT_EQ(Sign(CompareDateTime(c.b, c.a)), -c.expected) << c.name << " (swapped)";
  }
}

TEST(IsCalendarDate, LeapYearsAndRanges) {
  struct Case {
    int32_t year, month, day;
    bool expected;
  };
  const Case cases[] = {
      {2024, 2, 29, true},  {2023, 2, 29, false}, {2000, 2, 29, true}, {1900, 2, 29, false},
      {2019, 4, 31, false}, {2019, 12, 31, true}, {2019, 0, 1, false}, {2019, 13, 1, false},
      {2019, 1, 0, false},  {0, 1, 1, false},     {9999, 1, 1, true},  {10000, 1, 1, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsCalendarDate(c.year, c.month, c.day), c.expected)
        << c.year << "-" << c.month << "-" << c.day;
  }
}

}  // namespace
}  // namespace qs
