// Text for places where one entry must stay one line and show what it holds, whatever a file
// name holds: the log, the command line's report, and (VisibleText) the window.
#pragma once

#include <string>
#include <string_view>

namespace tenvor {

// The text with line feeds, carriage returns and tabs written as \n, \r and \t, every other
// control character (and the line and paragraph separators U+2028, U+2029) as \xHH for each of
// its bytes, each invisible format character (see VisibleText) as \uHHHH, and every byte that is
// not part of valid UTF-8 as \xHH. Everything else stays as it is, backslashes included, so that
// Windows paths read normally.
std::string OneLineText(std::string_view text);

// The text with each character that changes how the text around it shows without showing itself
// written as \u and four upper-case hexadecimal digits: the bidirectional controls (U+061C,
// U+200E, U+200F, U+202A to U+202E, U+2066 to U+2069), the zero-width characters U+200B to
// U+200D and the byte-order mark U+FEFF. A right-to-left override in a file name would otherwise
// show the name reversed. Line breaks and everything else stay: for texts of several lines, such
// as a message box's.
std::string VisibleText(std::string_view text);

}  // namespace tenvor
