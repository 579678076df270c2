#include "platform/AppendFile.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "platform/FileDescriptor.h"
#include "platform/FileSystem.h"

namespace tenvor {

bool AppendToFile(const std::string& path, std::string_view header, std::string_view record)
{
    FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666));
    if (!fd.IsOpen()) {
        return false;
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    std::string data;
    data.reserve(header.size() + record.size());
    if (st.st_size == 0) {
        data += header;
    }
    data += record;
    const bool written = WriteAll(fd.Get(), data);
    return fd.Close() && written;
}

}  // namespace tenvor
