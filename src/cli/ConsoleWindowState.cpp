#include "cli/ConsoleWindowState.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace tenvor::cli {

namespace {

// The counter is redrawn at most this often; the last value is always drawn by FinishCounter.
constexpr std::chrono::milliseconds kCounterInterval{100};

// The counter redraws its line with a carriage return and "erase to the end of the line"; a
// terminal that says it is dumb may not know the latter, and a file or a pipe gets none of it.
bool TerminalTakesCounter()
{
    if (::isatty(STDERR_FILENO) != 1) {
        return false;
    }
    const char* term = std::getenv("TERM");
    return term == nullptr || std::string_view(term) != "dumb";
}

}  // namespace

ConsoleWindowState::ConsoleWindowState() : counterOnTerminal_(TerminalTakesCounter()) {}

void ConsoleWindowState::SetProgressText(const std::string& csText)
{
    HeadlessWindowState::SetProgressText(csText);
    if (!counterOnTerminal_) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (counterShown_ && now - lastCounter_ < kCounterInterval) {
        return;
    }
    lastCounter_ = now;
    std::fprintf(stderr, "\r%s\033[K", counterText.c_str());
    std::fflush(stderr);
    counterShown_ = true;
}

void ConsoleWindowState::FinishCounter()
{
    if (counterShown_) {
        std::fprintf(stderr, "\r%s\033[K\n", counterText.c_str());
        std::fflush(stderr);
        counterShown_ = false;
    }
}

int ConsoleWindowState::ShowMessageBox(const std::string& text, const std::string& caption, unsigned type,
                                       MessageKind kind)
{
    HeadlessWindowState::ShowMessageBox(text, caption, type, kind);
    if (kind == MessageKind::Completion) {
        completionMessage = text;
        return 1;
    }
    FinishCounter();
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
    return 1;
}

}  // namespace tenvor::cli
