// Reads the inputs of a run ahead of the conversion loop on worker threads, so that parsing the
// next notifications overlaps writing the current one. Inputs are fetched strictly in list order
// (a package is read front to back) and parsed in parallel; results are handed out in list
// order, so the run's files, records and log stay exactly as a one-by-one run makes them. Only
// the reading runs ahead: everything that touches the window, the error records or the log
// stays on the caller's thread. What is held ahead is bounded twice: by the number of inputs
// (the window) and by the bytes their results and fetched members hold in memory, so that large
// notifications cannot add up whatever the number of cores.
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
    // the one last taken, and no new one while the inputs read ahead hold more than heldBytes
    // (the next input to be taken is always read).
    ReadAhead(InputReader& reader, unsigned workers, std::size_t window, std::size_t heldBytes = kDefaultHeldBytes);
    // Stops the workers (files being read are finished, no new one is started) and waits.
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The result for input index; indexes must be taken in increasing order, one by one. While
    // it is not ready, the caller reads the next inputs itself where there is room.
    LoadResult Take(std::size_t index);

    // Worker threads worth starting on this machine (at most kMostWorkers): one per core beside
    // the caller's, which reads too while it waits.
    static unsigned DefaultWorkers();

    static constexpr unsigned kMostWorkers = 8;
    static constexpr std::size_t kDefaultHeldBytes = std::size_t{48} << 20;

    // The memory a result holds (its values, and its person records' part in memory).
    static std::size_t HeldBytes(const LoadResult& result);

private:
    struct Slot {
        std::optional<LoadResult> result;  // present once read, until taken
        std::size_t bytes = 0;             // what it holds: fetched bytes, then the result's
    };

    void Work();
    // Claims the next input, fetches and parses it into its slot. A worker (waitForRoom) waits
    // for room and returns false only when stopping or done; the caller returns false at once
    // when there is no room or another thread is fetching.
    bool ReadNext(bool waitForRoom);

    InputReader& reader_;
    const std::size_t count_;
    const std::size_t window_;
    const std::size_t heldLimit_;

    std::mutex fetchMutex_;  // held from claiming an input to the end of its fetching
    std::mutex mutex_;
    std::condition_variable resultReady_;
    std::condition_variable roomFreed_;
    std::vector<Slot> slots_;     // ring of `window` slots, slot i % window for input i
    std::size_t nextToRead_ = 0;  // the next input a worker claims
    std::size_t nextToTake_ = 0;  // the next input the caller takes
    std::size_t held_ = 0;        // bytes held by the slots
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace tenvor
