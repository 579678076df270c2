// Standard output and standard error of tenvor-cli, in UTF-8 wherever they go: the names the
// commands write with, on the platform's console (platform/Console.h).
#pragma once

#include <string_view>

#include "platform/Console.h"

namespace tenvor::cli {

using Stream = ConsoleStream;

inline void Write(Stream stream, std::string_view utf8)
{
    WriteToConsole(stream, utf8);
}

// True when the stream goes to a terminal (a console on Windows).
using tenvor::IsTerminal;

// Flushes standard output; false when anything written to it was lost (a full disk, a closed
// pipe), so that a report that did not arrive never passes for success.
inline bool FinishOutput()
{
    return FinishConsoleOutput();
}

}  // namespace tenvor::cli
