// The bytes of a record's CSV file: the form id, "[kanri]", the common line, "[data]" and the
// person lines, every line ended by CR LF, in the chosen encoding (UTF-8 with a byte-order mark,
// or code page 932 without one).
#pragma once

#include <string>

#include "shared/StXmlInfo.h"
#include "state/WindowState.h"

namespace tenvor {

std::string RenderCsv(const StXmlInfo& stXmlInfo, OutputEncoding encoding);

}  // namespace tenvor
