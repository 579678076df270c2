#include "platform/LocalTime.h"

namespace tenvor {

std::tm LocalTime(std::time_t when)
{
    std::tm local{};
    ::localtime_r(&when, &local);
    return local;
}

}  // namespace tenvor
