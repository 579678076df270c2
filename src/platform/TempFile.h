// A scratch file without a name in the system's temporary folder (TMPDIR or /tmp; the user's
// temporary folder on Windows): it holds data too large to keep in memory while one file is
// converted and disappears when it is closed or the process ends, however it ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#ifndef _WIN32
#include "platform/FileDescriptor.h"
#endif

namespace tenvor {

class TempFile {
public:
    TempFile() = default;
    ~TempFile();
    TempFile(TempFile&& other) noexcept;
    TempFile& operator=(TempFile&& other) noexcept;
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    // Creates the file; false (see ErrorText()) when the temporary folder takes none.
    [[nodiscard]] bool Create();
    bool IsOpen() const;
    // Appends data at the end; false when it could not be stored in full.
    [[nodiscard]] bool Append(std::string_view data);
    // Reads up to length bytes from offset: the number read (0 at the end), -1 on an error.
    [[nodiscard]] long ReadAt(std::uint64_t offset, char* buffer, std::size_t length) const;
    // Bytes appended so far.
    std::uint64_t Size() const { return size_; }

    // The system's words for the last failure.
    std::string ErrorText() const;

private:
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    FileDescriptor fd_;
#endif
    std::uint64_t size_ = 0;
    mutable int error_ = 0;
};

}  // namespace tenvor
