#include "platform/AppFolder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

#include "platform/FileSystem.h"

namespace tenvor {

namespace {

std::string WithSeparator(std::string path)
{
    if (path.empty() || path.back() != kPathSeparator) {
        path += kPathSeparator;
    }
    return path;
}

std::string FromEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

}  // namespace

std::string AppFolder()
{
    if (std::string home = FromEnvironment("TENVOR_HOME"); !home.empty()) {
        return WithSeparator(std::move(home));
    }
    std::string data = FromEnvironment("XDG_DATA_HOME");
    // Only an absolute data folder counts; a relative one would move with the working folder.
    if (data.empty() || data.front() != '/') {
        data = FromEnvironment("HOME");
        if (data.empty()) {
            data = ".";
        }
        data = WithSeparator(std::move(data)) + ".local/share";
    }
    return WithSeparator(std::move(data)) + "Tenvor/";
}

bool CreateFolders(const std::string& path)
{
    if (IsDirectory(path)) {
        return true;
    }
    // Create each missing level from the top down; an existing level is fine.
    for (std::size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos == path.size() || path[pos] == kPathSeparator) {
            const std::string level = path.substr(0, pos);
            if (::mkdir(level.c_str(), 0777) != 0 && errno != EEXIST) {
                break;
            }
        }
    }
    return IsDirectory(path);
}

}  // namespace tenvor
