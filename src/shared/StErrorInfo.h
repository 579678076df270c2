// One error record of a run: the kind of the failure and the input file concerned.
#pragma once

#include <string>

#include "shared/ErrorKind.h"

namespace tenvor {

struct StErrorInfo {
    ErrorKind errorKind = ErrorKind::SameFile;
    std::string filePath;  // as the run was given it

    bool operator==(const StErrorInfo&) const = default;
};

}  // namespace tenvor
