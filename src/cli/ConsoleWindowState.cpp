#include "cli/ConsoleWindowState.h"

#include <cstdlib>
#include <string_view>

#include "cli/ConsoleOutput.h"

namespace tenvor::cli {

namespace {

// The counter is redrawn at most this often; the last value is always drawn by FinishCounter.
constexpr std::chrono::milliseconds kCounterInterval{100};

// The counter redraws its line in place; a file or a pipe gets none of it, and neither does a
// terminal that says it is dumb.
bool TerminalTakesCounter()
{
    if (!IsTerminal(Stream::Err)) {
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
    DrawCounter("");
    counterShown_ = true;
}

void ConsoleWindowState::FinishCounter()
{
    if (counterShown_) {
        DrawCounter("\n");
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
    Write(Stream::Err, caption + ": " + text + "\n");
    return 1;
}

void ConsoleWindowState::DrawCounter(std::string_view end)
{
    // Back to the start of the line; blanks cover what a longer earlier text left.
    std::string line = "\r" + counterText;
    if (counterText.size() < counterWidth_) {
        line.append(counterWidth_ - counterText.size(), ' ');
    }
    counterWidth_ = counterText.size();
    line += end;
    Write(Stream::Err, line);
}

}  // namespace tenvor::cli
