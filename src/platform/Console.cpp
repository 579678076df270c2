#include "platform/Console.h"

#include <cstdio>
#include <cstdlib>
#include <optional>

#include "platform/SystemConsole.h"

namespace tenvor {

namespace {

bool outputLost = false;

std::FILE* FileOf(ConsoleStream stream)
{
    return stream == ConsoleStream::Out ? stdout : stderr;
}

}  // namespace

void WriteToConsole(ConsoleStream stream, std::string_view utf8)
{
    bool written = false;
    if (const std::optional<bool> direct = WriteToSystemConsole(stream, utf8)) {
        written = *direct;
    } else {
        std::FILE* file = FileOf(stream);
        written = std::fwrite(utf8.data(), 1, utf8.size(), file) == utf8.size();
        if (stream == ConsoleStream::Err) {
            std::fflush(file);
        }
    }
    if (!written && stream == ConsoleStream::Out) {
        outputLost = true;
    }
}

bool FinishConsoleOutput()
{
    const bool flushed = std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
    return flushed && !outputLost;
}

bool TerminalIsDumb()
{
    const char* term = std::getenv("TERM");
    return term != nullptr && std::string_view(term) == "dumb";
}

}  // namespace tenvor
