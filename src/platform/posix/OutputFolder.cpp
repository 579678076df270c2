#include "platform/OutputFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/FileSystem.h"
#include "platform/InputFile.h"

namespace tenvor {

namespace {

#ifdef O_PATH
// A folder opened only to be a place: no permission to read it is needed.
constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif

bool IsUsableName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

}  // namespace

OutputFolder::~OutputFolder()
{
    Close();
}

bool OutputFolder::IsOpen() const
{
    return fd_.IsOpen();
}

std::size_t OutputFolder::MadeCount() const
{
    return static_cast<std::size_t>(std::count(made_.begin(), made_.end(), true));
}

void OutputFolder::Close()
{
    fd_.Close();
    root_.clear();
    path_.clear();
    names_.clear();
    made_.clear();
    identities_.clear();
}

OutputFolder::Entered OutputFolder::Enter(const std::string& root, const std::vector<std::string>& names)
{
    Close();
    // The root is the user's choice: a link there is followed.
    fd_ = FileDescriptor(::open(root.empty() ? "." : root.c_str(), kFolderFlags));
    if (!fd_.IsOpen()) {
        const int error = errno;
        return {error == ENOTDIR ? Refusal::NotAFolder : Refusal::System, root, SystemErrorText(error)};
    }
    root_ = root;
    path_ = root;
    for (const std::string& name : names) {
        const std::string folder = JoinPath(path_, name);
        if (!IsUsableName(name)) {
            RemoveMadeFolders();
            return {Refusal::BadName, folder, {}};
        }
        bool made = ::mkdirat(fd_.Get(), name.c_str(), 0777) == 0;
        if (!made && errno != EEXIST) {
            const int error = errno;
            RemoveMadeFolders();
            return {error == ENOTDIR ? Refusal::NotAFolder : Refusal::System, folder, SystemErrorText(error)};
        }
        FileDescriptor child(::openat(fd_.Get(), name.c_str(), kFolderFlags | O_NOFOLLOW));
        struct stat st {};
        const int openError = child.IsOpen() ? 0 : errno;
        if (child.IsOpen() && (::fstat(child.Get(), &st) != 0 || !S_ISDIR(st.st_mode))) {
            child.Close();
        }
        if (!child.IsOpen()) {
            // What is there: a link, another kind of file, or a folder the system does not let in.
            struct stat own {};
            const bool examined = ::fstatat(fd_.Get(), name.c_str(), &own, AT_SYMLINK_NOFOLLOW) == 0;
            const Refusal refusal = examined && S_ISLNK(own.st_mode)    ? Refusal::Link
                                    : examined && !S_ISDIR(own.st_mode) ? Refusal::NotAFolder
                                                                        : Refusal::System;
            if (made && examined && S_ISDIR(own.st_mode)) {
                ::unlinkat(fd_.Get(), name.c_str(), AT_REMOVEDIR);
            }
            RemoveMadeFolders();
            return {refusal, folder, refusal == Refusal::System ? SystemErrorText(openError) : std::string{}};
        }
        names_.push_back(name);
        made_.push_back(made);
        identities_.push_back({static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)});
        path_ = folder;
        fd_ = std::move(child);
    }
    return {};
}

void OutputFolder::RemoveMadeFolders()
{
    // Up from the deepest folder through "..", each made folder removed from its parent when it is
    // still the one that was made and empty. A folder moved meanwhile is found by its identity,
    // never by its old path.
    const auto firstMade = std::find(made_.begin(), made_.end(), true);
    if (fd_.IsOpen() && firstMade != made_.end()) {
        const std::size_t shallowest = static_cast<std::size_t>(firstMade - made_.begin());
        for (std::size_t depth = names_.size(); depth > shallowest; --depth) {
            FileDescriptor parent(::openat(fd_.Get(), "..", kFolderFlags));
            if (!parent.IsOpen()) {
                break;
            }
            const std::size_t i = depth - 1;
            struct stat st {};
            if (made_[i] && ::fstatat(parent.Get(), names_[i].c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISDIR(st.st_mode) && static_cast<std::uint64_t>(st.st_dev) == identities_[i].device &&
                static_cast<std::uint64_t>(st.st_ino) == identities_[i].inode) {
                ::unlinkat(parent.Get(), names_[i].c_str(), AT_REMOVEDIR);
            }
            fd_ = std::move(parent);
        }
    }
    Close();
}

}  // namespace tenvor
