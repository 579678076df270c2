#include "platform/FileDescriptor.h"

#include <unistd.h>

namespace tenvor {

bool FileDescriptor::Close()
{
    if (fd_ < 0) {
        return true;
    }
    // The descriptor is gone after close() whatever it returns, EINTR included: never retried.
    const int fd = std::exchange(fd_, -1);
    return ::close(fd) == 0;
}

}  // namespace tenvor
