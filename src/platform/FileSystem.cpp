#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

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

SplitPathResult SplitPath(std::string_view path)
{
    SplitPathResult result;
    const std::size_t slash = path.find_last_of(kPathSeparator);
    std::string_view name = path;
    if (slash != std::string_view::npos) {
        result.folder = std::string(path.substr(0, slash + 1));
        name = path.substr(slash + 1);
    }
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos) {
        result.baseName = std::string(name);
    } else {
        result.baseName = std::string(name.substr(0, dot));
        result.extension = std::string(name.substr(dot));
    }
    return result;
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

std::string JoinPath(std::string_view folder, std::string_view name)
{
    std::string path(folder);
    if (!path.empty() && path.back() != kPathSeparator) {
        path += kPathSeparator;
    }
    path += name;
    return path;
}

namespace {

bool EndsWithXmlAnyCase(std::string_view name)
{
    if (name.size() < 4) {
        return false;
    }
    const std::string_view tail = name.substr(name.size() - 4);
    static constexpr std::string_view kLower = ".xml";
    for (std::size_t i = 0; i < 4; ++i) {
        char c = tail[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != kLower[i]) {
            return false;
        }
    }
    return true;
}

struct ListedFile {
    std::string path;
    std::int64_t seconds;
    std::int64_t nanoseconds;
};

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
        if (!EndsWithXmlAnyCase(name) || entry->d_type == DT_DIR) {
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
        files.push_back({JoinPath(folder, name), st.st_mtim.tv_sec, st.st_mtim.tv_nsec});
    }
    // Name order first (the paths share their folder), so that files with equal times come in a
    // reproducible order.
    std::sort(files.begin(), files.end(), [](const ListedFile& a, const ListedFile& b) { return a.path < b.path; });
    std::stable_sort(files.begin(), files.end(), [](const ListedFile& a, const ListedFile& b) {
        return a.seconds != b.seconds ? a.seconds < b.seconds : a.nanoseconds < b.nanoseconds;
    });
    std::sort(unexaminable.begin(), unexaminable.end());
    std::vector<std::string> paths;
    paths.reserve(files.size() + unexaminable.size());
    for (ListedFile& file : files) {
        paths.push_back(std::move(file.path));
    }
    for (std::string& path : unexaminable) {
        paths.push_back(std::move(path));
    }
    return paths;
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
