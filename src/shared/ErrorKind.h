// Why a file of a run failed. The value is the row of the error texts and guidance texts of the
// message catalogue and the log code of the entry the failure writes.
#pragma once

#include <cstddef>

namespace tenvor {

enum class ErrorKind : int {
    SameFile = 0,            // its CSV file exists already
    FormatNotSupported = 1,  // not a notification of a supported form
    FileMissing = 2,         // missing or unreadable
    NoPermission = 3,        // its CSV file cannot be created in the output folder
};

inline constexpr int ToInt(ErrorKind kind)
{
    return static_cast<int>(kind);
}

inline constexpr std::size_t ToIndex(ErrorKind kind)
{
    return static_cast<std::size_t>(kind);
}

}  // namespace tenvor
