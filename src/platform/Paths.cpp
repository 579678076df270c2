#include "platform/FileSystem.h"

namespace tenvor {

bool IsPathSeparator(char c)
{
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

SplitPathResult SplitPath(std::string_view path)
{
    SplitPathResult result;
    std::size_t nameStart = 0;
    for (std::size_t i = path.size(); i > 0; --i) {
        if (IsPathSeparator(path[i - 1])) {
            nameStart = i;
            break;
        }
    }
#ifdef _WIN32
    // "C:a.xml" names a.xml in the current folder of drive C.
    if (nameStart == 0 && path.size() >= 2 && path[1] == ':') {
        nameStart = 2;
    }
#endif
    result.folder = std::string(path.substr(0, nameStart));
    const std::string_view name = path.substr(nameStart);
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos) {
        result.baseName = std::string(name);
    } else {
        result.baseName = std::string(name.substr(0, dot));
        result.extension = std::string(name.substr(dot));
    }
    return result;
}

std::string FolderOf(std::string_view path)
{
    std::string folder = SplitPath(path).folder;
    return folder.empty() ? std::string(".") : folder;
}

std::string JoinPath(std::string_view folder, std::string_view name)
{
    std::string path(folder);
    bool needsSeparator = !path.empty() && !IsPathSeparator(path.back());
#ifdef _WIN32
    if (path.size() == 2 && path[1] == ':') {
        needsSeparator = false;  // "C:" is the current folder of drive C, not its root
    }
#endif
    if (needsSeparator) {
        path += kPathSeparator;
    }
    path += name;
    return path;
}

}  // namespace tenvor
