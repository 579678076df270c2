// Drive letters, which only Windows paths have: the settings may move the log to another drive
// in debug mode.
#pragma once

#include <string>
#include <string_view>

namespace tenvor {

// The drive a setting may choose: the first character of requested when it is the drive Windows
// is installed on, otherwise "C". On systems without drive letters always "C".
[[nodiscard]] std::string AllowedDriveLetter(std::string_view requested);

// The path on another drive: a path that starts with a drive letter ("D:...") gets the first
// character of driveLetter in its place ('C' when driveLetter is empty). A path without one,
// and every path on systems without drive letters, comes back as it is.
[[nodiscard]] std::string WithDriveLetter(std::string path, std::string_view driveLetter);

}  // namespace tenvor
