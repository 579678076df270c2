#include "platform/DriveLetter.h"

#include "platform/AppFolder.h"

namespace tenvor {

std::string AllowedDriveLetter(std::string_view requested)
{
    const std::string drive(requested.substr(0, 1));
    return drive == WindowsSystemDriveLetter() ? drive : "C";
}

std::string WithDriveLetter(std::string path, std::string_view driveLetter)
{
    if (path.size() > 1 && path[1] == ':') {
        path[0] = driveLetter.empty() ? 'C' : driveLetter[0];
    }
    return path;
}

}  // namespace tenvor
