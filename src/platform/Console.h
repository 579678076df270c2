// Standard output and standard error of a command-line program, in UTF-8 wherever they go. On a
// Windows console the text is written as UTF-16 (so Japanese shows whatever the console's code
// page); to a file or a pipe, and everywhere on other systems, as UTF-8 bytes through the C
// library's streams.
#pragma once

#include <string_view>

namespace tenvor {

enum class ConsoleStream { Out, Err };

// Writes the text; standard error is flushed at once. A write to standard output that fails is
// remembered for FinishConsoleOutput.
void WriteToConsole(ConsoleStream stream, std::string_view utf8);

// True when the stream goes to a terminal (a console on Windows).
[[nodiscard]] bool IsTerminal(ConsoleStream stream);

// Flushes standard output; false when anything written to it was lost (a full disk, a closed
// pipe), so that a report that did not arrive never passes for success.
[[nodiscard]] bool FinishConsoleOutput();

// True when the environment says the terminal is dumb (TERM=dumb): it cannot redraw a line.
[[nodiscard]] bool TerminalIsDumb();

}  // namespace tenvor
