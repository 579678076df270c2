// The calendar time of a moment in the local time zone.
#pragma once

#include <ctime>

namespace tenvor {

// The local time of when; all zero when the system cannot tell it. Times before 1970, which the
// Windows runtime refuses, are told there through the 400-year cycle of the calendar.
[[nodiscard]] std::tm LocalTime(std::time_t when);

// Has the time zone read once for the whole process; called first thing in main, before any
// thread starts, as it may set the environment. Without TZ, the C library on Linux looks at
// /etc/localtime again at every mktime, under a lock that all threads share, and libzip calls
// mktime for every entry of a ZIP it opens. TZ naming that same file gives the same zone, read
// once. Nothing to do on Windows.
void ReadTimeZoneOnce();

}  // namespace tenvor
