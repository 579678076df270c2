#include "diag/TimeText.h"

#include <cstdio>

#include "platform/LocalTime.h"

namespace tenvor {

std::string LogTimeStamp(std::time_t when)
{
    const std::tm local = LocalTime(when);
    char buffer[128];
    const std::size_t length = std::strftime(buffer, sizeof buffer, "[%Y/%m/%d %H:%M:%S]", &local);
    return std::string(buffer, length);
}

std::string LocalTimeDigits(std::time_t when)
{
    const std::tm local = LocalTime(when);
    char buffer[64];
    const std::size_t length = std::strftime(buffer, sizeof buffer, "%Y%m%d%H%M%S", &local);
    return std::string(buffer, length);
}

std::string FormatTimeText(int hour, int minute, int second, int millisecond)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%2d:%2d:%2d.%3d", hour, minute, second, millisecond);
    return buffer;
}

std::string TimeTextOf(std::chrono::system_clock::time_point when)
{
    const auto sinceEpoch = when.time_since_epoch();
    const auto seconds = std::chrono::floor<std::chrono::seconds>(sinceEpoch);
    const auto millisecond = std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch - seconds).count();
    const std::time_t whole = static_cast<std::time_t>(seconds.count());
    const std::tm local = LocalTime(whole);
    return FormatTimeText(local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(millisecond));
}

}  // namespace tenvor
