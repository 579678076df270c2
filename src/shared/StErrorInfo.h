// One error record of a run: the kind of the failure, the input file concerned and why.
#pragma once

#include <string>

#include "shared/ErrorKind.h"

namespace tenvor {

// What made a notification fail, for a front end that offers more than the reason's words: the
// field check (an element the form does not define, or a definition the notification lacks), or
// a document whose form the runs do not know. Everything else is Other.
enum class FailureCause { Other, FieldCheck, UnsupportedForm };

struct StErrorInfo {
    ErrorKind errorKind = ErrorKind::SameFile;
    std::string filePath;  // as the run was given it
    // One line of Japanese naming what is wrong and where: the CSV file that exists, the line of
    // a broken XML file, the element the form does not define, the system's words…
    std::string reason;
    FailureCause cause = FailureCause::Other;
    std::string documentElement;  // for UnsupportedForm: the document element's name, the form id

    bool operator==(const StErrorInfo&) const = default;
};

}  // namespace tenvor
