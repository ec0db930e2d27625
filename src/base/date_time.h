#pragma once
// A file's stored date: six signed fields, month 0 meaning "no date" and hour -1 "no time".
#include <cstdint>

namespace qs {

struct DateTime {
  int32_t year = 0;
  int32_t month = 0;
  int32_t day = 0;
  int32_t hour = -1;
  int32_t minute = 0;
  int32_t second = 0;

  bool HasDate() const { return month != 0; }
  bool HasTime() const { return hour != -1; }
  bool IsComplete() const { return HasDate() && HasTime(); }

  bool operator==(const DateTime&) const = default;
};

// Negative, zero or positive. A value without a date orders after every value with one; on
// equal dates, a value without a time orders after one with a time.
int CompareDateTime(const DateTime& a, const DateTime& b);

// Whether year, month and day name a day of the Gregorian calendar (years 1 to 9999).
bool IsCalendarDate(int32_t year, int32_t month, int32_t day);

}  // namespace qs
