// The one place that knows the CSV format of a notification: the form id, "[kanri]", the common
// line, "[data]" and one line per person; values separated by commas and quoted as RFC 4180 says
// when they hold a comma, a double quote or a line break; every line, and every line break inside
// a value, ended by CR LF; the whole in UTF-8 with a byte-order mark or in code page 932.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "shared/OutputEncoding.h"
#include "shared/StXmlInfo.h"

namespace tenvor {

class ReplacedCharacters;

// The CSV file's bytes. In code page 932, each character it lacks is added to replaced, if given.
std::string RenderCsv(const StXmlInfo& stXmlInfo, OutputEncoding encoding, ReplacedCharacters* replaced = nullptr);

// The same bytes handed to sink in pieces of some kilobytes, so that no notification is ever
// held whole as CSV text. SinkFailed when sink returned false; RecordsUnreadable when the person
// records could not be read back (stXmlInfo.insuredData.Failure() says why).
enum class CsvWrite { Done, SinkFailed, RecordsUnreadable };
[[nodiscard]] CsvWrite WriteCsv(const StXmlInfo& stXmlInfo, OutputEncoding encoding,
                                const std::function<bool(std::string_view)>& sink,
                                ReplacedCharacters* replaced = nullptr);

// One value as a CSV field: as it is, or enclosed in double quotes with inner quotes doubled and
// each line break (CR LF, a lone CR or LF) written as one "\n", which the rendering turns into
// CR LF.
std::string QuoteCsvField(std::string_view value);

}  // namespace tenvor
