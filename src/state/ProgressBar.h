// The progress bar of a run, kept by the core and reported to the front end on every move. In
// folder mode it counts files; in file mode it follows the reading of the one file (its fields
// and person records) and is filled when the file fails.
#pragma once

#include "state/RunObserver.h"

namespace tenvor {

class ProgressBar {
public:
    explicit ProgressBar(RunObserver& observer) : observer_(observer) {}

    void Initialize(int steps);  // position 0, step 1, range 0..steps
    void Step();                 // position + 1, at most the maximum
    void Fill();                 // range 0..1, position 1

private:
    RunObserver& observer_;
    ProgressBarState state_;
    int step_ = 10;
};

}  // namespace tenvor
