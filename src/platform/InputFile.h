// A file opened for reading only when it is a regular file. Opening never blocks on what is
// not one (a FIFO or a device named like a notification), and never makes a terminal the
// process's controlling terminal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/FileDescriptor.h"

namespace tenvor {

class InputFile {
public:
    // False when the path is missing, cannot be opened or is not a regular file.
    bool Open(const std::string& path);
    // Why the last Open failed, in the user's words ("見つかりません", "アクセスが拒否されました"…).
    std::string OpenFailure() const;
    // The size the file had when it was opened.
    std::int64_t Size() const { return size_; }
    // Reads up to length bytes: the number read, 0 at the end of the file, -1 on an error
    // (errno says which). Interrupted reads are resumed.
    long Read(char* buffer, std::size_t length);

private:
    FileDescriptor fd_;
    std::int64_t size_ = 0;
    int error_ = 0;            // errno of the failed opening
    bool notRegular_ = false;  // opened, but a folder, device or FIFO
};

// An errno value in the user's words: Japanese for the failures users meet, the system's own
// text for the rest.
std::string SystemErrorText(int errnoValue);

// The contents of a regular file up to maxBytes (the rest is ignored; a read error ends the
// text where it happened), or nullopt when it is missing or not a regular file.
std::optional<std::string> ReadFileHead(const std::string& path, std::size_t maxBytes);

}  // namespace tenvor
