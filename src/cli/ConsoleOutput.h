// Standard output and standard error of tenvor-cli, in UTF-8 wherever they go. On a Windows
// console the text is written as UTF-16 (so Japanese shows whatever the console's code page);
// to a file or a pipe, and everywhere on other systems, as UTF-8 bytes.
#pragma once

#include <string_view>

namespace tenvor::cli {

enum class Stream { Out, Err };

void Write(Stream stream, std::string_view utf8);

// True when the stream goes to a terminal (a console on Windows).
bool IsTerminal(Stream stream);

// Flushes standard output; false when anything written to it was lost (a full disk, a closed
// pipe), so that a report that did not arrive never passes for success.
bool FinishOutput();

}  // namespace tenvor::cli
