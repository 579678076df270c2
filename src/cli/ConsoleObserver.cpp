#include "cli/ConsoleObserver.h"

#include "cli/ConsoleOutput.h"
#include "diag/MessageCatalog.h"
#include "shared/OneLineText.h"

namespace tenvor::cli {

namespace {

// The counter is redrawn at most this often; the last value is always drawn by FinishCounter.
constexpr std::chrono::milliseconds kCounterInterval{100};

// The counter redraws its line in place; a file or a pipe gets none of it, and neither does a
// terminal that says it is dumb.
bool TerminalTakesCounter()
{
    return IsTerminal(Stream::Err) && !TerminalIsDumb();
}

}  // namespace

ConsoleObserver::ConsoleObserver() : counterOnTerminal_(TerminalTakesCounter()) {}

void ConsoleObserver::CounterChanged(int done, int total)
{
    counterText_ = "(" + std::to_string(done) + "/" + std::to_string(total) + ")";
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

void ConsoleObserver::FinishCounter()
{
    if (counterShown_) {
        DrawCounter("\n");
        counterShown_ = false;
    }
}

void ConsoleObserver::MessageShown(const RunMessage& message)
{
    FinishCounter();
    Write(Stream::Err, std::string(MessageCaption(message.id)) + ": " + VisibleText(MessageText(message)) + "\n");
}

void ConsoleObserver::DrawCounter(std::string_view end)
{
    // Back to the start of the line; blanks cover what a longer earlier text left.
    std::string line = "\r" + counterText_;
    if (counterText_.size() < counterWidth_) {
        line.append(counterWidth_ - counterText_.size(), ' ');
    }
    counterWidth_ = counterText_.size();
    line += end;
    Write(Stream::Err, line);
}

}  // namespace tenvor::cli
