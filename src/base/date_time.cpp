#include "base/date_time.h"

namespace qs {
namespace {

// Compared field by field rather than by subtraction, which could overflow on stored values.
int Order(int32_t a, int32_t b) {
  return (a > b) - (a < b);
}

}  // namespace

bool IsCalendarDate(int32_t year, int32_t month, int32_t day) {
  static constexpr int32_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= (month == 2 && leap ? 29 : kDays[month - 1]);
}

int CompareDateTime(const DateTime& a, const DateTime& b) {
  if (a.HasDate()) {
    if (!b.HasDate()) return -1;
    if (int order = Order(a.year, b.year)) return order;
    if (int order = Order(a.month, b.month)) return order;
    if (int order = Order(a.day, b.day)) return order;
  } else if (b.HasDate()) {
    return 1;
  }

  if (!a.HasTime()) return b.HasTime() ? 1 : 0;
  if (!b.HasTime()) return -1;
  if (int order = Order(a.hour, b.hour)) return order;
  if (int order = Order(a.minute, b.minute)) return order;
  return Order(a.second, b.second);
}

}  // namespace qs
