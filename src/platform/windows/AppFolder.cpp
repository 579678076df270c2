#include "platform/AppFolder.h"

#include <windows.h>

#include <cstdlib>

#include "platform/FileSystem.h"
#include "platform/windows/WideText.h"

namespace tenvor {

namespace {

// Where the folders that can be created start: after "C:\" or "\\server\share\".
std::size_t FirstCreatableLevel(const std::string& path)
{
    if (path.size() >= 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1])) {
        std::size_t separators = 0;
        for (std::size_t i = 2; i < path.size(); ++i) {
            if (IsPathSeparator(path[i]) && ++separators == 2) {
                return i + 1;
            }
        }
        return path.size();
    }
    if (path.size() >= 2 && path[1] == ':') {
        return path.size() >= 3 && IsPathSeparator(path[2]) ? 3 : 2;
    }
    return IsPathSeparator(path.empty() ? '\0' : path[0]) ? 1 : 0;
}

}  // namespace

std::string AppFolder()
{
    if (const wchar_t* home = ::_wgetenv(L"TENVOR_HOME"); home != nullptr && *home != L'\0') {
        std::string folder = Narrow(home);
        if (!IsPathSeparator(folder.back())) {
            folder += kPathSeparator;
        }
        return folder;
    }
    return "C:\\Tenvor\\";
}

std::string WindowsSystemDriveLetter()
{
    wchar_t directory[MAX_PATH + 1] = {};
    if (::GetSystemDirectoryW(directory, MAX_PATH) == 0 || directory[0] == L'\0') {
        return "C";
    }
    return Narrow(std::wstring_view(directory, 1));
}

bool CreateFolders(const std::string& path)
{
    if (IsDirectory(path)) {
        return true;
    }
    // Create each missing level from the top down; an existing level is fine.
    for (std::size_t pos = FirstCreatableLevel(path) + 1; pos <= path.size(); ++pos) {
        if (pos == path.size() || IsPathSeparator(path[pos])) {
            ::CreateDirectoryW(WidePath(path.substr(0, pos)).c_str(), nullptr);
        }
    }
    return IsDirectory(path);
}

}  // namespace tenvor
