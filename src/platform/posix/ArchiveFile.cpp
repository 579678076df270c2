#include "platform/ArchiveFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/FileDescriptor.h"

namespace tenvor {

namespace {

FileStamp StampOf(const struct stat& st)
{
    FileStamp stamp;
    stamp.size = static_cast<std::int64_t>(st.st_size);
    stamp.modifiedNs = std::int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec;
    stamp.volume = static_cast<std::uint64_t>(st.st_dev);
    stamp.fileId = static_cast<std::uint64_t>(st.st_ino);
    return stamp;
}

ArchiveFileFailure Failure(int error)
{
    const bool missing = error == ENOENT || error == ENOTDIR;
    return {missing ? ArchiveFileError::Missing : ArchiveFileError::Unreadable, std::generic_category().message(error)};
}

}  // namespace

std::variant<OpenedArchiveFile, ArchiveFileFailure> OpenArchiveFile(const std::string& path)
{
    // Non-blocking, so that a FIFO named like an archive does not wait for a writer.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd.IsOpen()) {
        return Failure(errno);
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) {
        return Failure(errno);
    }
    if (!S_ISREG(st.st_mode)) {
        return Failure(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    }
    // Regular files never block; clearing the flag keeps reads plain.
    ::fcntl(fd.Get(), F_SETFL, ::fcntl(fd.Get(), F_GETFL) & ~O_NONBLOCK);
    OwnedStream stream(::fdopen(fd.Get(), "rb"));
    if (!stream) {
        return Failure(errno);
    }
    static_cast<void>(fd.Release());  // the stream owns the descriptor now
    return OpenedArchiveFile{std::move(stream), StampOf(st)};
}

std::optional<FileStamp> StampOfStream(std::FILE* stream)
{
    struct stat st {};
    if (::fstat(::fileno(stream), &st) != 0) {
        return std::nullopt;
    }
    return StampOf(st);
}

std::optional<FileStamp> StampOfPath(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return std::nullopt;
    }
    return StampOf(st);
}

}  // namespace tenvor
