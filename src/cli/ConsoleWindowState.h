// The window state of the command line: message boxes become lines on standard error, the
// counter is shown on standard error when that is a terminal (not a dumb one), and the
// completion message is kept for the report on standard output.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "state/HeadlessWindowState.h"

namespace tenvor::cli {

class ConsoleWindowState : public HeadlessWindowState {
public:
    ConsoleWindowState();

    void SetProgressText(const std::string& csText) override;
    int ShowMessageBox(const std::string& text, const std::string& caption, unsigned type, MessageKind kind) override;

    // Ends the counter's line on the terminal, if one is shown.
    void FinishCounter();

    std::string completionMessage;

private:
    // Redraws the counter's line, then writes end.
    void DrawCounter(std::string_view end);

    bool counterOnTerminal_;
    std::size_t counterWidth_ = 0;
    bool counterShown_ = false;
    std::chrono::steady_clock::time_point lastCounter_{};
};

}  // namespace tenvor::cli
