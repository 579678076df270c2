// The failed files of a run as the command line prints them and the workbook's sheet "エラー"
// lists them: newest first, numbered from 1, each text on one line.
#pragma once

#include <string>
#include <vector>

#include "shared/StErrorInfo.h"

namespace tenvor {

struct ErrorReportRow {
    std::string number;     // "1" for the newest record
    std::string errorText;  // the error list's text for the kind
    std::string filePath;   // OneLineText of the input's path
    std::string reason;     // OneLineText of the reason
};

// The rows of the records, which are given in the order they were recorded.
std::vector<ErrorReportRow> ErrorReportRows(const std::vector<StErrorInfo>& records);

}  // namespace tenvor
