// A file that lives in memory only (memfd), reachable by a path, for the fuzz targets to hand
// each input to code that reads files by name. Its contents are replaced for every input.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace tenvor::fuzz {

class MemoryFile {
public:
    explicit MemoryFile(const char* name) : fd_(::memfd_create(name, MFD_CLOEXEC))
    {
        Require(fd_ >= 0, "memfd_create failed");
        path_ = "/proc/self/fd/" + std::to_string(fd_);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    ~MemoryFile() { ::close(fd_); }

    const std::string& Path() const { return path_; }

    void SetContents(const std::uint8_t* data, std::size_t size)
    {
        Require(::ftruncate(fd_, 0) == 0, "ftruncate failed");
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
            Require(n > 0, "pwrite failed");
            done += static_cast<std::size_t>(n);
        }
    }

private:
    static void Require(bool condition, const char* what)
    {
        if (!condition) {
            std::fprintf(stderr, "fuzz: %s\n", what);
            std::abort();
        }
    }

    int fd_;
    std::string path_;
};

}  // namespace tenvor::fuzz
