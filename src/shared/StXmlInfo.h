// The per-file conversion record: the values read from one notification, filled by the reader and
// written by the CSV writer. It holds values, not CSV text: RenderCsv alone knows the format.
#pragma once

#include <string>
#include <vector>

#include "shared/RecordStore.h"

namespace tenvor {

struct StXmlInfo {
    std::string styleNum;                 // the form id, the document element's name
    std::vector<std::string> commonData;  // the common part's values, in column order
                                          // (none for a single-record form)
    RecordStore insuredData;              // each person record's values, in order
    int errorFlag = 0;                    // 1 once a failure is recorded for the file
};

}  // namespace tenvor
