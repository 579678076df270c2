// Time texts of the log: the entry stamp and the debug timing text of a run.
#pragma once

#include <chrono>
#include <ctime>
#include <string>

namespace tenvor {

// The debug timing texts of the latest run.
struct StTime {
    std::string startTime;
    std::string endTime;
};

// "[%Y/%m/%d %H:%M:%S]" of the local time.
std::string LogTimeStamp(std::time_t when);

// "%Y%m%d%H%M%S" of the local time, such as "20260102030405".
std::string LocalTimeDigits(std::time_t when);

// "%2d:%2d:%2d.%3d" from hour, minute, second and millisecond, such as " 9: 5: 3.120".
std::string FormatTimeText(int hour, int minute, int second, int millisecond);

// The timing text of a clock reading, in local time.
std::string TimeTextOf(std::chrono::system_clock::time_point when);

}  // namespace tenvor
