#include "platform/InputFile.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>

#include "platform/windows/WideText.h"

namespace tenvor {

bool InputFile::Open(const std::string& path)
{
    // Binary: the bytes as they are, no CR LF translation and no stop at a Ctrl-Z.
    fd_ = FileDescriptor(::_wopen(WidePath(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT));
    error_ = errno;
    notRegular_ = false;
    if (!fd_.IsOpen()) {
        return false;
    }
    // A name such as NUL.xml or COM1.xml opens a device: not a file.
    struct _stat64 st {};
    if (::_fstat64(fd_.Get(), &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) {
        fd_.Close();
        notRegular_ = true;
        return false;
    }
    size_ = static_cast<std::int64_t>(st.st_size);
    return true;
}

long InputFile::Read(char* buffer, std::size_t length)
{
    return ::_read(fd_.Get(), buffer, static_cast<unsigned>(std::min<std::size_t>(length, INT_MAX)));
}

}  // namespace tenvor
