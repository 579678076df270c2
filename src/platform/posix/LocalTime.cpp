#include "platform/LocalTime.h"

#include <cstdlib>

namespace tenvor {

std::tm LocalTime(std::time_t when)
{
    std::tm local{};
    ::localtime_r(&when, &local);
    return local;
}

void ReadTimeZoneOnce()
{
    if (std::getenv("TZ") == nullptr) {
        ::setenv("TZ", ":/etc/localtime", 0);
    }
    ::tzset();
}

}  // namespace tenvor
