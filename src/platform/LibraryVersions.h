// The libraries the program runs with, with the versions they report themselves at run time
// (a shared library may be newer than the headers the program was built with): what --version
// lists below the program's own version.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tenvor {

struct LibraryVersion {
    std::string name;
    std::string version;
};

// libxml2 and libzip, in that order.
[[nodiscard]] std::vector<LibraryVersion> LibraryVersions();

// The text of --version: the first line, then "NAME VERSION" for each library, one per line,
// without a line feed after the last.
[[nodiscard]] std::string VersionText(std::string_view firstLine, const std::vector<LibraryVersion>& libraries);

}  // namespace tenvor
