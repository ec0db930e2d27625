#pragma once
// The text of a point in time by a small format language of letter tokens, as the install log's
// date uses it ("d-M-yy h:ii:ssap" prints 5-Jul-2019 9:03:07a).
//
// Tokens (a doubled letter is one token; every other character is copied):
//   d dd    day of the month / two digits        m mm    month number / two digits
//   M MM    "Jul" / "July"                       y yy    year modulo 100, two digits / four digits
//   H HH    hour 0-23 / two digits               h hh    hour 1-12 / two digits
//   i ii    minute / two digits                  s ss    second / two digits
//   W WW    "Fri" / "Friday"                     w ww    weekday number (0 Sunday) / two digits
//   D       "5th"                                DD      "Fifth"
//   Y       "Nineteen", "Oh five"                YY      "Twenty nineteen", "Two thousand"
//   b       seconds from 1970-01-01 00:00:00 to the given fields (no time zone applied)
//   ap      "a" before noon, "p" from noon       AP      "a.m." / "p.m."
// An "a" or "A" that no "p" or "P" follows is the letter itself.
#include <cstdint>
#include <string>
#include <string_view>

namespace qs {

// A point in time as the system's local clock gives it. weekday: 0 Sunday to 6 Saturday.
struct CalendarTime {
  int32_t year = 1970;
  int32_t month = 1;  // 1 to 12
  int32_t day = 1;    // 1 to 31
  int32_t weekday = 4;
  int32_t hour = 0;
  int32_t minute = 0;
  int32_t second = 0;
};

// What an empty format stands for.
inline constexpr std::string_view kDefaultDateFormat = "d-M-yy h:ii:ssap";

std::string FormatDateTime(const CalendarTime& time, std::string_view format);

}  // namespace qs
