#include "platform/NewFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <system_error>

#include "platform/FileSystem.h"
#include "platform/OutputFolder.h"
#include "platform/PendingFile.h"

namespace tenvor {

namespace {

bool ProcFdAvailable()
{
    static const bool available = ::access("/proc/self/fd", X_OK) == 0;
    return available;
}

// Names a file that is complete, failing with EEXIST rather than replacing anything. Each name
// is relative to its folder's descriptor (AT_FDCWD: the current folder).
int LinkWithoutReplacing(int fromFolder, const std::string& from, int toFolder, const std::string& to)
{
    if (::renameat2(fromFolder, from.c_str(), toFolder, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
    // File systems without RENAME_NOREPLACE: a hard link also refuses an existing target.
    if (::linkat(fromFolder, from.c_str(), toFolder, to.c_str(), 0) != 0) {
        return errno;
    }
    ::unlinkat(fromFolder, from.c_str(), 0);
    return 0;
}

bool IsStorageError(int error)
{
    return error == ENOSPC || error == EDQUOT || error == EFBIG || error == EIO;
}

// The name of a hidden temporary file, new for each call.
std::string TempName()
{
    static std::atomic<unsigned> counter{0};
    char name[64];
    std::snprintf(name, sizeof name, ".tenvor-%ld-%u.tmp", static_cast<long>(::getpid()), counter.fetch_add(1));
    return name;
}

#ifdef O_PATH
constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif

}  // namespace

NewFile::~NewFile()
{
    Abort();
}

std::string NewFile::ErrorText() const
{
    return std::generic_category().message(error_);
}

bool NewFile::Open(const std::string& targetPath)
{
    Abort();
    target_ = targetPath;
    error_ = 0;
    const SplitPathResult parts = SplitPath(targetPath);
    name_ = targetPath.substr(parts.folder.size());
    ownFolder_ = FileDescriptor(::open(FolderOf(targetPath).c_str(), kFolderFlags));
    if (!ownFolder_.IsOpen()) {
        error_ = errno;
        return false;
    }
    folder_ = ownFolder_.Get();
    return OpenInFolder();
}

bool NewFile::Open(const OutputFolder& folder, const std::string& name)
{
    Abort();
    target_ = JoinPath(folder.Path(), name);
    name_ = name;
    error_ = 0;
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) {
        error_ = EINVAL;
        return false;
    }
    folder_ = folder.Descriptor();
    return OpenInFolder();
}

bool NewFile::OpenInFolder()
{
#ifdef O_TMPFILE
    if (ProcFdAvailable()) {
        fd_ = FileDescriptor(::openat(folder_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
        if (fd_.IsOpen()) {
            return true;
        }
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            error_ = errno;
            CloseFolder();
            return false;
        }
    }
#endif
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = TempName();
        fd_ = FileDescriptor(
            ::openat(folder_, candidate.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, 0666));
        if (fd_.IsOpen()) {
            tempPath_ = std::move(candidate);
            return true;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    error_ = errno;
    CloseFolder();
    return false;
}

bool NewFile::Write(std::string_view data)
{
    if (!WriteAll(fd_.Get(), data)) {
        error_ = errno;
        return false;
    }
    return true;
}

NewFile::Publish NewFile::Commit()
{
    if (!fd_.IsOpen()) {
        return Publish::WriteFailed;
    }
    int linkError = 0;
    if (tempPath_.empty()) {
        // An unnamed file can only be linked while it is still open.
        char procPath[64];
        std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", fd_.Get());
        if (::linkat(AT_FDCWD, procPath, folder_, name_.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            linkError = errno;
        }
    }
    if (!fd_.Close()) {
        // A failed close means the data may not have reached the disk: no name for it.
        error_ = errno;
        if (tempPath_.empty() && linkError == 0) {
            ::unlinkat(folder_, name_.c_str(), 0);
        }
        Abort();
        return Publish::WriteFailed;
    }
    if (!tempPath_.empty()) {
        linkError = LinkWithoutReplacing(folder_, tempPath_, folder_, name_);
        if (linkError == 0) {
            tempPath_.clear();  // it is the target now
        }
    }
    Abort();
    if (linkError == 0) {
        return Publish::Done;
    }
    error_ = linkError;
    if (linkError == EEXIST) {
        return Publish::AlreadyExists;
    }
    return IsStorageError(linkError) ? Publish::WriteFailed : Publish::Refused;
}

void NewFile::CloseFolder()
{
    ownFolder_.Close();
    folder_ = -1;
}

void NewFile::Abort()
{
    fd_.Close();
    if (!tempPath_.empty()) {
        ::unlinkat(folder_, tempPath_.c_str(), 0);
        tempPath_.clear();
    }
    CloseFolder();
}

PendingFile::PendingFile(std::string targetPath)
    : target_(std::move(targetPath)), tempPath_(JoinPath(FolderOf(target_), TempName()))
{
}

PendingFile::~PendingFile()
{
    Discard();
}

std::string PendingFile::ErrorText() const
{
    return std::generic_category().message(error_);
}

bool PendingFile::Reserve()
{
    error_ = 0;
    FileDescriptor fd(::open(tempPath_.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666));
    if (!fd.IsOpen()) {
        error_ = errno;
        return false;
    }
    reserved_ = true;
    if (!fd.Close()) {
        error_ = errno;
        Discard();
        return false;
    }
    return true;
}

NewFile::Publish PendingFile::Publish()
{
    if (!reserved_) {
        return NewFile::Publish::WriteFailed;
    }
    const int linkError = LinkWithoutReplacing(AT_FDCWD, tempPath_, AT_FDCWD, target_);
    if (linkError == 0) {
        reserved_ = false;  // it is the target now
        return NewFile::Publish::Done;
    }
    error_ = linkError;
    Discard();
    if (linkError == EEXIST) {
        return NewFile::Publish::AlreadyExists;
    }
    return IsStorageError(linkError) ? NewFile::Publish::WriteFailed : NewFile::Publish::Refused;
}

void PendingFile::Discard()
{
    if (reserved_) {
        ::unlink(tempPath_.c_str());
        reserved_ = false;
    }
}

}  // namespace tenvor
