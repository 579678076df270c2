#include "state/ProgressTracker.h"

#include <algorithm>

namespace tenvor {

void ProgressTracker::Begin(int total)
{
    progress_ = Progress{0, total};
    step_ = 1;
    observer_.ProgressChanged(progress_);
}

void ProgressTracker::Advance()
{
    progress_.done = std::min(progress_.done + step_, progress_.total);
    observer_.ProgressChanged(progress_);
}

void ProgressTracker::Complete()
{
    progress_ = Progress{1, 1};
    observer_.ProgressChanged(progress_);
}

}  // namespace tenvor
