#include "files/date_format.h"

#include <array>
#include <cstdio>

namespace qs {
namespace {

constexpr std::array<std::string_view, 12> kMonths = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<std::string_view, 7> kWeekdays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                       "Thursday", "Friday", "Saturday"};

constexpr std::array<std::string_view, 20> kSmallNumbers = {
    "zero",     "one",     "two",     "three",     "four",     "five",    "six",
    "seven",    "eight",   "nine",    "ten",       "eleven",   "twelve",  "thirteen",
    "fourteen", "fifteen", "sixteen", "seventeen", "eighteen", "nineteen"};
constexpr std::array<std::string_view, 10> kTens = {
    "", "", "twenty", "thirty", "forty", "fifty", "sixty", "seventy", "eighty", "ninety"};
constexpr std::array<std::string_view, 20> kSmallOrdinals = {
    "",           "first",     "second",    "third",       "fourth",     "fifth",     "sixth",
    "seventh",    "eighth",    "ninth",     "tenth",       "eleventh",   "twelfth",   "thirteenth",
    "fourteenth", "fifteenth", "sixteenth", "seventeenth", "eighteenth", "nineteenth"};
constexpr std::array<std::string_view, 4> kTensOrdinals = {"", "", "twentieth", "thirtieth"};

// The table entry, or nothing for a value outside the table.
template <size_t N>
std::string_view Entry(const std::array<std::string_view, N>& table, int32_t index) {
  return index >= 0 && static_cast<size_t>(index) < N ? table[static_cast<size_t>(index)] : "";
}

std::string Number(int64_t value, int width) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%0*lld", width, static_cast<long long>(value));
  return buffer;
}

std::string Capitalised(std::string text) {
  if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 32);
  return text;
}

// 0 to 99 in words: "seven", "nineteen", "forty-two".
std::string NumberWords(int32_t value) {
  if (value < 20) return std::string(Entry(kSmallNumbers, value));
  std::string words(Entry(kTens, value / 10));
  if (value % 10 != 0) words += "-" + std::string(Entry(kSmallNumbers, value % 10));
  return words;
}

// 1 to 31 as an ordinal word: "first", "twenty-second".
std::string OrdinalWords(int32_t value) {
  if (value < 20) return std::string(Entry(kSmallOrdinals, value));
  if (value % 10 == 0) return std::string(Entry(kTensOrdinals, value / 10));
  return std::string(Entry(kTens, value / 10)) + "-" +
         std::string(Entry(kSmallOrdinals, value % 10));
}

std::string OrdinalSuffix(int32_t day) {
  int32_t lastTwo = day % 100;
  if (lastTwo >= 11 && lastTwo <= 13) return "th";
  switch (day % 10) {
    case 1:
      return "st";
    case 2:
      return "nd";
    case 3:
      return "rd";
    default:
      return "th";
  }
}

int32_t LastTwoDigits(int32_t year) {
  return (year % 100 + 100) % 100;
}

// The last two digits of a year as they are said: "nineteen", "oh five".
std::string ShortYearWords(int32_t year) {
  int32_t lastTwo = LastTwoDigits(year);
  return lastTwo < 10 ? "oh " + NumberWords(lastTwo) : NumberWords(lastTwo);
}

// The whole year as it is said: "nineteen oh five", "twenty nineteen", "nineteen hundred",
// "two thousand". Years beyond four digits keep their digits.
std::string YearWords(int32_t year) {
  if (year < 0 || year > 9999) return Number(year, 1);
  if (year < 100) return NumberWords(year);
  if (year % 1000 == 0) return NumberWords(year / 1000) + " thousand";
  if (year % 100 == 0) return NumberWords(year / 100) + " hundred";
  return NumberWords(year / 100) + " " + ShortYearWords(year);
}

int64_t FloorDivide(int64_t a, int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Days from 1970-01-01 to the given day of the proleptic Gregorian calendar; a month outside
// 1 to 12 carries into the year.
int64_t DaysSinceEpoch(int64_t year, int64_t month, int64_t day) {
  year += FloorDivide(month - 1, 12);
  month = month - 1 - 12 * FloorDivide(month - 1, 12) + 1;
  if (month <= 2) --year;
  const int64_t era = FloorDivide(year, 400);
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

int64_t SecondsSinceEpoch(const CalendarTime& time) {
  return DaysSinceEpoch(time.year, time.month, time.day) * 86400 +
         static_cast<int64_t>(time.hour) * 3600 + static_cast<int64_t>(time.minute) * 60 +
         time.second;
}

int32_t TwelveHour(int32_t hour) {
  int32_t h = (hour % 12 + 12) % 12;
  return h == 0 ? 12 : h;
}

// The output of token `letter`, doubled or not; false when `letter` is no token.
bool AppendToken(const CalendarTime& time, char letter, bool doubled, std::string& out) {
  const int width = doubled ? 2 : 1;
  switch (letter) {
    case 'd':
      out += Number(time.day, width);
      return true;
    case 'm':
      out += Number(time.month, width);
      return true;
    case 'M': {
      std::string_view name = Entry(kMonths, time.month - 1);
      out += doubled ? name : name.substr(0, 3);
      return true;
    }
    case 'y':
      out += doubled ? Number(time.year, 4) : Number(LastTwoDigits(time.year), 2);
      return true;
    case 'H':
      out += Number(time.hour, width);
      return true;
    case 'h':
      out += Number(TwelveHour(time.hour), width);
      return true;
    case 'i':
      out += Number(time.minute, width);
      return true;
    case 's':
      out += Number(time.second, width);
      return true;
    case 'W': {
      std::string_view name = Entry(kWeekdays, time.weekday);
      out += doubled ? name : name.substr(0, 3);
      return true;
    }
    case 'w':
      out += Number(time.weekday, width);
      return true;
    case 'D':
      if (doubled && time.day >= 1 && time.day <= 31) {
        out += Capitalised(OrdinalWords(time.day));
      } else {
        out += Number(time.day, 1) + OrdinalSuffix(time.day);
      }
      return true;
    case 'Y':
      out += Capitalised(doubled ? YearWords(time.year) : ShortYearWords(time.year));
      return true;
    case 'b':
      out += Number(SecondsSinceEpoch(time), 1);
      return true;
    default:
      return false;
  }
}

}  // namespace

std::string FormatDateTime(const CalendarTime& time, std::string_view format) {
  if (format.empty()) format = kDefaultDateFormat;
  std::string out;
  for (size_t i = 0; i < format.size();) {
    const char letter = format[i];
    const bool followed = i + 1 < format.size();
    if ((letter == 'a' || letter == 'A') && followed &&
        (format[i + 1] == 'p' || format[i + 1] == 'P')) {
      const bool afternoon = time.hour >= 12;
      if (letter == 'a') {
        out += afternoon ? "p" : "a";
      } else {
        out += afternoon ? "p.m." : "a.m.";
      }
      i += 2;
      continue;
    }
    const bool doubled = followed && format[i + 1] == letter;
    if (AppendToken(time, letter, doubled, out)) {
      i += doubled ? 2 : 1;
    } else {
      out += letter;
      ++i;
    }
  }
  return out;
}

}  // namespace qs
