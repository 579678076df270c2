// One error record of a run: the kind of the failure and the input file concerned.
#pragma once

#include <string>

namespace tenvor {

struct StErrorInfo {
    int errorKind = 0;  // 0 to 3, the row of the error and guidance texts
    std::string filePath;
};

}  // namespace tenvor
