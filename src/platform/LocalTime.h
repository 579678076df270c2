// The calendar time of a moment in the local time zone.
#pragma once

#include <ctime>

namespace tenvor {

// The local time of when; all zero when the system cannot tell it. Times before 1970, which the
// Windows runtime refuses, are told there through the 400-year cycle of the calendar.
[[nodiscard]] std::tm LocalTime(std::time_t when);

}  // namespace tenvor
