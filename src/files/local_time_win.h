#pragma once
// The machine's local time as the date formatter takes it, for the dates a run writes (the log's
// header, the registration's "InstallDate").
#include "files/date_format.h"

namespace qs {

CalendarTime LocalTimeNow();

}  // namespace qs
