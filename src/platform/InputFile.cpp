#include "platform/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tenvor {

bool InputFile::Open(const std::string& path)
{
    fd_ = FileDescriptor(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd_.IsOpen()) {
        return false;
    }
    struct stat st {};
    if (::fstat(fd_.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        fd_.Close();
        return false;
    }
    size_ = static_cast<std::int64_t>(st.st_size);
    // Regular files never block; clearing the flag keeps reads plain.
    ::fcntl(fd_.Get(), F_SETFL, ::fcntl(fd_.Get(), F_GETFL) & ~O_NONBLOCK);
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

std::optional<std::string> ReadFileHead(const std::string& path, std::size_t maxBytes)
{
    InputFile file;
    if (!file.Open(path)) {
        return std::nullopt;
    }
    std::string text(maxBytes, '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        const long n = file.Read(text.data() + got, text.size() - got);
        if (n <= 0) {
            break;  // the end, or a read error: what was read stands
        }
        got += static_cast<std::size_t>(n);
    }
    text.resize(got);
    return text;
}

}  // namespace tenvor
