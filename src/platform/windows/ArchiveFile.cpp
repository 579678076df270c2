#include "platform/ArchiveFile.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <system_error>

#include "platform/FileDescriptor.h"
#include "platform/windows/WideText.h"
#include "platform/windows/WinHandle.h"

namespace tenvor {

namespace {

ArchiveFileFailure Failure(int error)
{
    return {error == ENOENT ? ArchiveFileError::Missing : ArchiveFileError::Unreadable,
            std::generic_category().message(error)};
}

std::optional<FileStamp> StampOfHandle(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION information{};
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || !::GetFileInformationByHandle(handle, &information)) {
        return std::nullopt;
    }
    FileStamp stamp;
    stamp.size = static_cast<std::int64_t>((std::uint64_t{information.nFileSizeHigh} << 32) | information.nFileSizeLow);
    // Last-write times count 100 ns steps.
    const std::uint64_t ticks =
        (std::uint64_t{information.ftLastWriteTime.dwHighDateTime} << 32) | information.ftLastWriteTime.dwLowDateTime;
    stamp.modifiedNs = static_cast<std::int64_t>(ticks * 100);
    stamp.volume = information.dwVolumeSerialNumber;
    stamp.fileId = (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow;
    return stamp;
}

}  // namespace

std::variant<OpenedArchiveFile, ArchiveFileFailure> OpenArchiveFile(const std::string& path)
{
    // Binary: the bytes as they are.
    FileDescriptor fd(::_wopen(WidePath(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT));
    if (!fd.IsOpen()) {
        return Failure(errno);
    }
    // A name such as NUL.zip or COM1.zip opens a device: not a file.
    struct _stat64 st {};
    if (::_fstat64(fd.Get(), &st) != 0) {
        return Failure(errno);
    }
    if ((st.st_mode & _S_IFMT) != _S_IFREG) {
        return Failure((st.st_mode & _S_IFMT) == _S_IFDIR ? EISDIR : EINVAL);
    }
    const std::optional<FileStamp> stamp = StampOfHandle(reinterpret_cast<HANDLE>(::_get_osfhandle(fd.Get())));
    if (!stamp) {
        return Failure(EIO);
    }
    OwnedStream stream(::_fdopen(fd.Get(), "rb"));
    if (!stream) {
        return Failure(errno);
    }
    static_cast<void>(fd.Release());  // the stream owns the descriptor now
    return OpenedArchiveFile{std::move(stream), *stamp};
}

std::optional<FileStamp> StampOfStream(std::FILE* stream)
{
    return StampOfHandle(reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream))));
}

std::optional<FileStamp> StampOfPath(const std::string& path)
{
    // Attributes only, sharing everything: no open of the file's contents stands in anyone's way.
    const WinHandle file = OwnedFile(::CreateFileW(WidePath(path).c_str(), FILE_READ_ATTRIBUTES,
                                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return StampOfHandle(file.get());
}

}  // namespace tenvor
