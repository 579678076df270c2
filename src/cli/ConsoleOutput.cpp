#include "cli/ConsoleOutput.h"

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#include <windows.h>

#include "platform/windows/WideText.h"
#else
#include <unistd.h>
#endif

namespace tenvor::cli {

namespace {

bool outputLost = false;

std::FILE* FileOf(Stream stream)
{
    return stream == Stream::Out ? stdout : stderr;
}

#ifdef _WIN32
// The console behind the stream, or nullptr when it goes to a file or a pipe.
HANDLE ConsoleOf(Stream stream)
{
    HANDLE handle = ::GetStdHandle(stream == Stream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) ? handle : nullptr;
}
#endif

}  // namespace

void Write(Stream stream, std::string_view utf8)
{
#ifdef _WIN32
    if (HANDLE console = ConsoleOf(stream)) {
        std::fflush(FileOf(stream));
        const std::wstring wide = Widen(utf8);
        DWORD written = 0;
        if (!::WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) &&
            stream == Stream::Out) {
            outputLost = true;
        }
        return;
    }
#endif
    std::FILE* file = FileOf(stream);
    if (std::fwrite(utf8.data(), 1, utf8.size(), file) != utf8.size() && stream == Stream::Out) {
        outputLost = true;
    }
    if (stream == Stream::Err) {
        std::fflush(file);
    }
}

bool IsTerminal(Stream stream)
{
#ifdef _WIN32
    return ConsoleOf(stream) != nullptr;
#else
    return ::isatty(stream == Stream::Out ? STDOUT_FILENO : STDERR_FILENO) == 1;
#endif
}

bool FinishOutput()
{
    const bool flushed = std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
    return flushed && !outputLost;
}

}  // namespace tenvor::cli
