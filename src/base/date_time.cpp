#include "base/date_time.h"

namespace qs {
namespace {

// Compared field by field rather than by subtraction, which could overflow on stored values.
int Order(int32_t a, int32_t b) {
  return (a > b) - (a < b);
}

}  // namespace

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
