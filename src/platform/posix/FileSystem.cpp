#include "platform/FileSystem.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "platform/FolderListing.h"

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

std::optional<std::vector<std::string>> ListXmlFilesOldestFirst(const std::string& folder)
{
    std::vector<ListedFile> files;
    std::vector<std::string> unexaminable;
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir) {
        return std::nullopt;
    }
    const int dirFd = ::dirfd(dir.get());
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (entry == nullptr) {
            if (errno != 0) {
                return std::nullopt;  // the listing broke off: it cannot be trusted
            }
            break;
        }
        const std::string_view name(entry->d_name);
        if (!HasXmlExtension(name) || entry->d_type == DT_DIR) {
            continue;
        }
        struct stat st {};
        if (::fstatat(dirFd, entry->d_name, &st, 0) != 0) {
            unexaminable.push_back(JoinPath(folder, name));
            continue;
        }
        if (!S_ISREG(st.st_mode)) {
            continue;
        }
        files.push_back({JoinPath(folder, name), std::int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec});
    }
    return OldestFirst(std::move(files), std::move(unexaminable));
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
