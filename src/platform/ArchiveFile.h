// The file of a ZIP archive, opened for libzip to read: a stdio stream on a regular file, opened
// without blocking on what is not one (a FIFO or a device named like an archive), and the file's
// stamp (size, last-write time, identity on its volume), so that a later look can tell whether
// the file changed, was replaced or went away while it was read.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <variant>

namespace tenvor {

struct FileStamp {
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;  // last-write time, in nanoseconds since the system's epoch
    std::uint64_t volume = 0;     // device (volume serial number on Windows)
    std::uint64_t fileId = 0;     // inode (file index on Windows)

    bool operator==(const FileStamp&) const = default;
};

enum class ArchiveFileError {
    Missing,     // nothing at the path (or a folder on the way is missing)
    Unreadable,  // there, but it cannot be opened for reading or is no regular file
};

struct ArchiveFileFailure {
    ArchiveFileError error;
    std::string message;  // the system's words
};

struct StreamCloser {
    void operator()(std::FILE* stream) const { std::fclose(stream); }
};
using OwnedStream = std::unique_ptr<std::FILE, StreamCloser>;

struct OpenedArchiveFile {
    OwnedStream stream;  // binary, positioned at the start
    FileStamp stamp;     // as it was opened
};

[[nodiscard]] std::variant<OpenedArchiveFile, ArchiveFileFailure> OpenArchiveFile(const std::string& path);

// The stamp of the file behind an open stream, as it is now; nullopt when the system cannot say.
[[nodiscard]] std::optional<FileStamp> StampOfStream(std::FILE* stream);

// The stamp of the file at the path, as it is now; nullopt when nothing readable is there.
[[nodiscard]] std::optional<FileStamp> StampOfPath(const std::string& path);

}  // namespace tenvor
