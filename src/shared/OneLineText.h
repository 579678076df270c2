// Text for places where one entry must stay one line, whatever a file name holds: the log and
// the command line's report.
#pragma once

#include <string>
#include <string_view>

namespace tenvor {

// The text with line feeds, carriage returns and tabs written as \n, \r and \t, every other
// control character (and the line and paragraph separators U+2028, U+2029) as \xHH for each of
// its bytes, and every byte that is not part of valid UTF-8 as \xHH. Everything else stays as it
// is, backslashes included, so that Windows paths read normally.
std::string OneLineText(std::string_view text);

}  // namespace tenvor
