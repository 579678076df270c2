#include "platform/Console.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/SystemConsole.h"
#include "platform/windows/WideText.h"

namespace tenvor {

namespace {

// The console behind the stream, or nullptr when it goes to a file or a pipe.
HANDLE ConsoleOf(ConsoleStream stream)
{
    HANDLE handle = ::GetStdHandle(stream == ConsoleStream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) ? handle : nullptr;
}

}  // namespace

std::optional<bool> WriteToSystemConsole(ConsoleStream stream, std::string_view utf8)
{
    HANDLE console = ConsoleOf(stream);
    if (console == nullptr) {
        return std::nullopt;
    }
    // What the C library still holds for the stream goes first.
    std::fflush(stream == ConsoleStream::Out ? stdout : stderr);
    const std::wstring wide = Widen(utf8);
    DWORD written = 0;
    return ::WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) != FALSE;
}

bool IsTerminal(ConsoleStream stream)
{
    return ConsoleOf(stream) != nullptr;
}

}  // namespace tenvor
