#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "platform/FolderListing.h"
#include "platform/InputFile.h"

namespace tenvor {

bool PathExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string AbsolutePath(const std::string& path)
{
    if (path.empty() || path.front() == kPathSeparator) {
        return path;
    }
    std::string current(256, '\0');
    while (::getcwd(current.data(), current.size()) == nullptr) {
        if (errno != ERANGE) {
            return path;
        }
        current.resize(current.size() * 2);
    }
    current.resize(std::char_traits<char>::length(current.c_str()));
    return JoinPath(current, path);
}

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

}  // namespace

namespace {

// Calls visit(dirFd, entry) for each entry of the folder but "." and "..". False when the folder
// cannot be opened or the listing broke off (it cannot be trusted then).
template <typename Visit>
bool ForEachEntry(const std::string& folder, Visit&& visit)
{
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir) {
        return false;
    }
    const int dirFd = ::dirfd(dir.get());
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (entry == nullptr) {
            return errno == 0;
        }
        const std::string_view name(entry->d_name);
        if (name != "." && name != "..") {
            visit(dirFd, *entry);
        }
    }
}

// Lists the folder: XML files, and with withZipAndFolders its ZIP files and subfolders too.
std::optional<FolderContents> ListFolder(const std::string& folder, bool withZipAndFolders)
{
    std::vector<ListedFile> xmlFiles;
    std::vector<ListedFile> zipFiles;
    std::vector<std::string> xmlUnexaminable;
    std::vector<std::string> zipUnexaminable;
    FolderContents contents;
    const bool listed = ForEachEntry(folder, [&](int dirFd, const dirent& entry) {
        const std::string_view name(entry.d_name);
        const bool isXml = HasXmlExtension(name);
        const bool isZip = withZipAndFolders && HasZipExtension(name);
        if (withZipAndFolders && entry.d_type == DT_DIR) {
            contents.subfolders.emplace_back(name);
            return;
        }
        if (withZipAndFolders && entry.d_type == DT_UNKNOWN) {
            struct stat own {};
            if (::fstatat(dirFd, entry.d_name, &own, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(own.st_mode)) {
                contents.subfolders.emplace_back(name);
                return;
            }
        }
        if ((!isXml && !isZip) || entry.d_type == DT_DIR) {
            return;
        }
        struct stat st {};
        if (::fstatat(dirFd, entry.d_name, &st, 0) != 0) {
            (isXml ? xmlUnexaminable : zipUnexaminable).push_back(JoinPath(folder, name));
            return;
        }
        if (!S_ISREG(st.st_mode)) {
            return;
        }
        (isXml ? xmlFiles : zipFiles)
            .push_back({JoinPath(folder, name), std::int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec});
    });
    if (!listed) {
        return std::nullopt;
    }
    contents.xmlFiles = OldestFirst(std::move(xmlFiles), std::move(xmlUnexaminable));
    contents.zipFiles = OldestFirst(std::move(zipFiles), std::move(zipUnexaminable));
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
    const bool listed = ForEachEntry(folder, [&](int dirFd, const dirent& entry) {
        const std::string_view name(entry.d_name);
        if (!HasExtension(name, lowerExtension) || entry.d_type == DT_DIR) {
            return;
        }
        struct stat st {};
        if (::fstatat(dirFd, entry.d_name, &st, 0) == 0 && S_ISDIR(st.st_mode)) {
            return;
        }
        names.emplace_back(name);
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
        if (::mkdir(path.c_str(), 0777) != 0) {
            const int error = errno;
            if (error != EEXIST || !IsDirectory(path)) {
                return {false, path, error == EEXIST ? "フォルダではないファイルがあります" : SystemErrorText(error)};
            }
        }
    }
    return {};
}

bool WriteAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace tenvor
