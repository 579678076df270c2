#include "platform/FileDescriptor.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace tenvor {

bool FileDescriptor::Close()
{
    if (fd_ < 0) {
        return true;
    }
    // The descriptor is gone after close() whatever it returns, EINTR included: never retried.
    const int fd = std::exchange(fd_, -1);
#ifdef _WIN32
    return ::_close(fd) == 0;
#else
    return ::close(fd) == 0;
#endif
}

}  // namespace tenvor
