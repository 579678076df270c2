// One error record of a run: the kind of the failure, the input file concerned and why.
#pragma once

#include <string>

#include "shared/ErrorKind.h"

namespace tenvor {

struct StErrorInfo {
    ErrorKind errorKind = ErrorKind::SameFile;
    std::string filePath;  // as the run was given it
    // One line of Japanese naming what is wrong and where: the CSV file that exists, the line of
    // a broken XML file, the element the form does not define, the system's words…
    std::string reason;

    bool operator==(const StErrorInfo&) const = default;
};

}  // namespace tenvor
