// What the command line shows of a run while it goes: the counter "(k/N)" on standard error
// when that is a terminal (not a dumb one), redrawn in place, and each error message on
// standard error as "caption: text". The report comes from the run's summary.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "state/RunObserver.h"

namespace tenvor::cli {

class ConsoleObserver : public RunObserver {
public:
    ConsoleObserver();

    void CounterChanged(int done, int total) override;
    void MessageShown(const RunMessage& message) override;

    // Ends the counter's line on the terminal, if one is shown.
    void FinishCounter();

private:
    // Redraws the counter's line, then writes end.
    void DrawCounter(std::string_view end);

    bool counterOnTerminal_;
    std::string counterText_;
    std::size_t counterWidth_ = 0;
    bool counterShown_ = false;
    std::chrono::steady_clock::time_point lastCounter_{};
};

}  // namespace tenvor::cli
