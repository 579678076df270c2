#include "cli/ConsoleWindowState.h"

#include <unistd.h>

#include <cstdio>

namespace tenvor::cli {

namespace {

// The counter is redrawn at most this often; the last value is always drawn by FinishCounter.
constexpr std::chrono::milliseconds kCounterInterval{100};

}  // namespace

ConsoleWindowState::ConsoleWindowState() : counterOnTerminal_(::isatty(STDERR_FILENO) == 1) {}

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
