#include "state/ProgressBar.h"

#include <algorithm>

namespace tenvor {

void ProgressBar::Initialize(int steps)
{
    state_ = ProgressBarState{0, steps};
    step_ = 1;
    observer_.BarChanged(state_);
}

void ProgressBar::Step()
{
    state_.position = std::min(state_.position + step_, state_.maximum);
    observer_.BarChanged(state_);
}

void ProgressBar::Fill()
{
    state_ = ProgressBarState{1, 1};
    observer_.BarChanged(state_);
}

}  // namespace tenvor
