// Sole owner of an open file descriptor: it is closed when the owner goes, however the scope is
// left. Close() closes early and says whether the system kept everything written.
#pragma once

#include <utility>

namespace tenvor {

class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept
    {
        if (this != &other) {
            Close();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return fd_; }
    // Gives the descriptor up without closing it (to an owner that closes it, such as a stream).
    [[nodiscard]] int Release() { return std::exchange(fd_, -1); }
    bool IsOpen() const { return fd_ >= 0; }

    // Closes the descriptor; false when closing failed (buffered data may be lost) and errno
    // says why. True when nothing was open.
    bool Close();

private:
    int fd_ = -1;
};

}  // namespace tenvor
