#include "platform/DriveLetter.h"

namespace tenvor {

std::string AllowedDriveLetter(std::string_view /*requested*/)
{
    return "C";
}

std::string WithDriveLetter(std::string path, std::string_view /*driveLetter*/)
{
    return path;
}

}  // namespace tenvor
