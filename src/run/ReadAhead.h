// Reads the inputs of a run ahead of the conversion loop on worker threads, so that parsing the
// next notifications overlaps writing the current one. Inputs are fetched strictly in list order
// (a package is read front to back) and parsed in parallel; results are handed out in list
// order, so the run's files, records and log stay exactly as a one-by-one run makes them. Only
// the reading runs ahead: everything that touches the window, the error records or the log
// stays on the caller's thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "convert/NotificationLoader.h"
#include "run/InputReader.h"

namespace tenvor {

class ReadAhead {
public:
    // Starts reading inputs 0, 1, ... with `workers` threads, at most `window` inputs ahead of
    // the one last taken.
    ReadAhead(InputReader& reader, unsigned workers, std::size_t window);
    // Stops the workers (files being read are finished, no new one is started) and waits.
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The result for input index; indexes must be taken in increasing order, one by one.
    LoadResult Take(std::size_t index);

    // Worker threads worth starting on this machine.
    static unsigned DefaultWorkers();

private:
    struct Slot {
        std::optional<LoadResult> result;  // present once read, until taken
    };

    void Work();

    InputReader& reader_;
    const std::size_t count_;
    const std::size_t window_;

    std::mutex fetchMutex_;  // held from claiming an input to the end of its fetching
    std::mutex mutex_;
    std::condition_variable resultReady_;
    std::condition_variable roomFreed_;
    std::vector<Slot> slots_;     // ring of `window` slots, slot i % window for input i
    std::size_t nextToRead_ = 0;  // the next input a worker claims
    std::size_t nextToTake_ = 0;  // the next input the caller takes
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace tenvor
