// The per-file conversion record: the values read from one notification, filled by the reader and
// written by the CSV writer. It holds values; CSV text only as RenderCsv made it ahead.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/TextCodec.h"
#include "shared/OutputEncoding.h"
#include "shared/RecordStore.h"

namespace tenvor {

// A record's CSV text, rendered by the thread that read it while the run wrote earlier files.
struct RenderedCsv {
    OutputEncoding encoding = OutputEncoding::ShiftJis;
    std::string text;
    ReplacedCharacters replaced;  // the characters the encoding could not hold
};

struct StXmlInfo {
    std::string styleNum;                 // the form id, the document element's name
    std::vector<std::string> commonData;  // the common part's values, in column order
                                          // (none for a single-record form)
    RecordStore insuredData;              // each person record's values, in order
    int errorFlag = 0;                    // 1 once a failure is recorded for the file
    std::optional<RenderedCsv> rendered;  // the CSV text made ahead, when it was
};

}  // namespace tenvor
