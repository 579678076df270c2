#include "platform/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tenvor {

bool InputFile::Open(const std::string& path)
{
    fd_ = FileDescriptor(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    error_ = errno;
    notRegular_ = false;
    if (!fd_.IsOpen()) {
        return false;
    }
    struct stat st {};
    if (::fstat(fd_.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        fd_.Close();
        notRegular_ = true;
        return false;
    }
    size_ = static_cast<std::int64_t>(st.st_size);
    // O_NONBLOCK stays set: reads of a regular file never block, with or without it.
    return true;
}

long InputFile::Read(char* buffer, std::size_t length)
{
    for (;;) {
        const ssize_t got = ::read(fd_.Get(), buffer, length);
        if (got >= 0 || errno != EINTR) {
            return static_cast<long>(got);
        }
    }
}

}  // namespace tenvor
