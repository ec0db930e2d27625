#include "files/local_time_win.h"

#include <windows.h>

namespace qs {

CalendarTime LocalTimeNow() {
  SYSTEMTIME now = {};
  ::GetLocalTime(&now);
  return CalendarTime{now.wYear, now.wMonth,  now.wDay,   now.wDayOfWeek,
                      now.wHour, now.wMinute, now.wSecond};
}

}  // namespace qs
