#include "platform/TempFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <utility>

namespace tenvor {

namespace {

std::string TemporaryFolder()
{
    const char* folder = std::getenv("TMPDIR");
    return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

}  // namespace

TempFile::~TempFile() = default;
TempFile::TempFile(TempFile&& other) noexcept
    : fd_(std::move(other.fd_)), size_(std::exchange(other.size_, 0)), error_(other.error_)
{
}
TempFile& TempFile::operator=(TempFile&& other) noexcept
{
    fd_ = std::move(other.fd_);
    size_ = std::exchange(other.size_, 0);
    error_ = other.error_;
    return *this;
}

bool TempFile::Create()
{
    const std::string folder = TemporaryFolder();
    size_ = 0;
    error_ = 0;
#ifdef O_TMPFILE
    fd_ = FileDescriptor(::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    if (fd_.IsOpen()) {
        return true;
    }
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        error_ = errno;
        return false;
    }
#endif
    // File systems without unnamed files: a private name, removed at once.
    std::string name = folder + "/.tenvor-XXXXXX";
    fd_ = FileDescriptor(::mkostemp(name.data(), O_CLOEXEC));
    if (!fd_.IsOpen()) {
        error_ = errno;
        return false;
    }
    ::unlink(name.c_str());
    return true;
}

bool TempFile::IsOpen() const
{
    return fd_.IsOpen();
}

bool TempFile::Append(std::string_view data)
{
    while (!data.empty()) {
        const ssize_t written = ::pwrite(fd_.Get(), data.data(), data.size(), static_cast<off_t>(size_));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            error_ = written < 0 ? errno : ENOSPC;
            return false;
        }
        size_ += static_cast<std::uint64_t>(written);
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

long TempFile::ReadAt(std::uint64_t offset, char* buffer, std::size_t length) const
{
    for (;;) {
        const ssize_t got = ::pread(fd_.Get(), buffer, length, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            error_ = errno;
            return -1;
        }
        return static_cast<long>(got);
    }
}

std::string TempFile::ErrorText() const
{
    return std::generic_category().message(error_);
}

}  // namespace tenvor
