#include "platform/LocalTime.h"

namespace tenvor {

std::tm LocalTime(std::time_t when)
{
    std::tm local{};
    if (::localtime_s(&local, &when) != 0 && when < 0) {
        // The Windows runtime refuses times before 1970; the calendar repeats every 400 years.
        constexpr std::time_t k400Years = 12622780800;
        const std::time_t later = when + k400Years;
        if (::localtime_s(&local, &later) == 0) {
            local.tm_year -= 400;
        }
    }
    return local;
}

void ReadTimeZoneOnce() {}

}  // namespace tenvor
