#include "platform/Console.h"

#include <unistd.h>

#include "platform/SystemConsole.h"

namespace tenvor {

std::optional<bool> WriteToSystemConsole(ConsoleStream /*stream*/, std::string_view /*utf8*/)
{
    return std::nullopt;  // a terminal here takes UTF-8 bytes like a file
}

bool IsTerminal(ConsoleStream stream)
{
    return ::isatty(stream == ConsoleStream::Out ? STDOUT_FILENO : STDERR_FILENO) == 1;
}

}  // namespace tenvor
