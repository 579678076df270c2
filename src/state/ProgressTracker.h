// The progress of a run, kept by the core and reported to the front end on every change.
#pragma once

#include "state/Progress.h"
#include "state/RunObserver.h"

namespace tenvor {

class ProgressTracker {
public:
    explicit ProgressTracker(RunObserver& observer) : observer_(observer) {}

    void Begin(int total);  // 0 of total; each advance then counts one
    void Advance();         // one more done, at most the total (10 before the first Begin)
    void Complete();        // 1 of 1: the whole

private:
    RunObserver& observer_;
    Progress progress_;
    int step_ = 10;
};

}  // namespace tenvor
