#include "platform/FileSystem.h"

#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <memory>
#include <string>

#include "platform/FolderListing.h"
#include "platform/InputFile.h"
#include "platform/windows/WideText.h"
#include "platform/windows/WinHandle.h"

namespace tenvor {

namespace {

DWORD AttributesOf(const std::string& path)
{
    return path.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(WidePath(path).c_str());
}

// A drive's root (C:\ or C:/) or a network share (\\server\share\...).
bool IsAbsoluteWindowsPath(const std::string& path)
{
    if (path.size() >= 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1])) {
        return true;
    }
    return path.size() >= 3 && path[1] == ':' && IsPathSeparator(path[2]);
}

}  // namespace

bool PathExists(const std::string& path)
{
    return AttributesOf(path) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::string& path)
{
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string AbsolutePath(const std::string& path)
{
    if (path.empty() || IsAbsoluteWindowsPath(path)) {
        return path;
    }
    // Relative to the current folder, to the current drive's root (\in) or to a drive's current
    // folder (C:in): the system knows which.
    const std::wstring full = FullPathName(Widen(path));
    return full.empty() ? path : Narrow(full);
}

namespace {

// Calls visit(name, found) for each entry of the folder but "." and "..". False when it is no
// folder or the listing broke off (it cannot be trusted then); a drive's root without entries
// is listed, empty.
template <typename Visit>
bool ForEachEntry(const std::string& folder, Visit&& visit)
{
    if (!IsDirectory(folder)) {
        return false;
    }
    // Every entry, filtered by the caller: a pattern such as *.xml would also match the short
    // (8.3) names of files such as a.xmlx.
    WIN32_FIND_DATAW found{};
    const FindHandle search =
        OwnedSearch(::FindFirstFileExW(WidePath(JoinPath(folder, "*")).c_str(), FindExInfoBasic, &found,
                                       FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!search) {
        return ::GetLastError() == ERROR_FILE_NOT_FOUND;
    }
    do {
        const std::string name = Narrow(found.cFileName);
        if (name != "." && name != "..") {
            visit(name, found);
        }
    } while (::FindNextFileW(search.get(), &found));
    return ::GetLastError() == ERROR_NO_MORE_FILES;
}

// Lists the folder: XML files, and with withZipAndFolders its ZIP files and subfolders too.
std::optional<FolderContents> ListFolder(const std::string& folder, bool withZipAndFolders)
{
    FolderContents contents;
    std::vector<ListedFile> xmlFiles;
    std::vector<ListedFile> zipFiles;
    const bool listed = ForEachEntry(folder, [&](const std::string& name, const WIN32_FIND_DATAW& found) {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            // Junctions and links to folders are not followed.
            if (withZipAndFolders && (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
                contents.subfolders.push_back(name);
            }
            return;
        }
        const bool isXml = HasXmlExtension(name);
        if (!isXml && !(withZipAndFolders && HasZipExtension(name))) {
            return;
        }
        const std::int64_t lastWrite =
            static_cast<std::int64_t>(static_cast<std::uint64_t>(found.ftLastWriteTime.dwHighDateTime) << 32 |
                                      found.ftLastWriteTime.dwLowDateTime);
        (isXml ? xmlFiles : zipFiles).push_back({JoinPath(folder, name), lastWrite});
    });
    if (!listed) {
        return std::nullopt;
    }
    contents.xmlFiles = OldestFirst(std::move(xmlFiles), {});
    contents.zipFiles = OldestFirst(std::move(zipFiles), {});
    std::sort(contents.subfolders.begin(), contents.subfolders.end());
    return contents;
}

}  // namespace

std::optional<std::vector<std::string>> ListXmlFilesOldestFirst(const std::string& folder)
{
    std::optional<FolderContents> contents = ListFolder(folder, false);
    if (!contents) {
        return std::nullopt;
    }
    return std::move(contents->xmlFiles);
}

std::optional<FolderContents> ListFolderContents(const std::string& folder)
{
    return ListFolder(folder, true);
}

std::optional<std::vector<std::string>> ListFileNames(const std::string& folder, std::string_view lowerExtension)
{
    std::vector<std::string> names;
    const bool listed = ForEachEntry(folder, [&](const std::string& name, const WIN32_FIND_DATAW& found) {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && HasExtension(name, lowerExtension)) {
            names.push_back(name);
        }
    });
    if (!listed) {
        return std::nullopt;
    }
    std::sort(names.begin(), names.end());
    return names;
}

FolderChainResult CreateFolderChain(const std::string& root, const std::vector<std::string>& names)
{
    std::string path = root;
    for (const std::string& name : names) {
        path = JoinPath(path, name);
        if (!::CreateDirectoryW(WidePath(path).c_str(), nullptr)) {
            const DWORD error = ::GetLastError();
            if (error != ERROR_ALREADY_EXISTS || !IsDirectory(path)) {
                return {false, path,
                        error == ERROR_ALREADY_EXISTS   ? "フォルダではないファイルがあります"
                        : error == ERROR_ACCESS_DENIED  ? SystemErrorText(EACCES)
                        : error == ERROR_PATH_NOT_FOUND ? SystemErrorText(ENOENT)
                                                        : "Windows error " + std::to_string(error)};
            }
        }
    }
    return {};
}

bool WriteAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const unsigned chunk = static_cast<unsigned>(std::min<std::size_t>(data.size(), INT_MAX));
        const int written = ::_write(fd, data.data(), chunk);
        if (written < 0) {
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace tenvor
