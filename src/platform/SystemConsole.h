// The system's side of Console.h: a console that takes text other than as bytes (Windows).
#pragma once

#include <optional>
#include <string_view>

#include "platform/Console.h"

namespace tenvor {

// Writes the text straight to the console behind the stream: true when it was written, false
// when the write failed, nullopt when the stream goes to no such console (a file, a pipe, or any
// terminal on systems whose terminals take bytes); the text then goes through the C library.
[[nodiscard]] std::optional<bool> WriteToSystemConsole(ConsoleStream stream, std::string_view utf8);

}  // namespace tenvor
