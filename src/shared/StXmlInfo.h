// The per-file conversion record: filled by the reader, written by the CSV writer.
#pragma once

#include <string>
#include <vector>

namespace tenvor {

struct StXmlInfo {
    std::string styleNum;                  // form id; "\n" appended once the file has been read
    std::string commonData;                // the common-data line, ended by "\n"
    std::vector<std::string> insuredData;  // one line per person record, each ended by "\n"
    int errorFlag = 0;                     // 1 once a failure is recorded for the file
};

}  // namespace tenvor
