#include "run/ReadAhead.h"

#include <algorithm>
#include <exception>

#include "diag/FailureReasons.h"

namespace tenvor {

ReadAhead::ReadAhead(InputReader& reader, unsigned workers, std::size_t window, std::size_t heldBytes)
    : reader_(reader),
      count_(reader.Count()),
      window_(std::max<std::size_t>(window, 1)),
      heldLimit_(heldBytes),
      slots_(window_)
{
    const unsigned count = std::max(1u, static_cast<unsigned>(std::min<std::size_t>(workers, count_)));
    workers_.reserve(count);
    for (unsigned i = 0; i < count; ++i) {
        workers_.emplace_back([this] { Work(); });
    }
}

ReadAhead::~ReadAhead()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    roomFreed_.notify_all();
    for (std::thread& worker : workers_) {
        worker.join();
    }
}

unsigned ReadAhead::DefaultWorkers()
{
    // Parsing is most of the work. The caller's thread writes the files and reads whenever it
    // would wait, so one reader per other core keeps every core busy without a thread more than
    // cores (each extra one costs a switch per file). More than a few readers gain little, and
    // each holds a notification in the making.
    const unsigned cores = std::thread::hardware_concurrency();
    return std::clamp(cores > 1 ? cores - 1 : 1u, 1u, kMostWorkers);
}

std::size_t ReadAhead::HeldBytes(const LoadResult& result)
{
    if (!result) {
        return result.error().reason.size();
    }
    std::size_t bytes = result->styleNum.size() + result->insuredData.MemoryBytes();
    if (result->rendered) {
        bytes += result->rendered->text.size();
    }
    for (const std::string& value : result->commonData) {
        bytes += value.size() + sizeof value;
    }
    return bytes;
}

void ReadAhead::Work()
{
    while (ReadNext(true)) {
    }
}

bool ReadAhead::ReadNext(bool waitForRoom)
{
    // Claimed and fetched under one lock, so inputs are fetched in list order.
    std::unique_lock fetchLock(fetchMutex_, std::defer_lock);
    if (waitForRoom) {
        fetchLock.lock();
    } else if (!fetchLock.try_lock()) {
        return false;
    }
    std::size_t index;
    {
        std::unique_lock lock(mutex_);
        const auto room = [&] {
            return nextToRead_ < std::min(count_, nextToTake_ + window_) &&
                   (held_ <= heldLimit_ || nextToRead_ == nextToTake_);
        };
        if (waitForRoom) {
            roomFreed_.wait(lock, [&] { return stopping_ || room(); });
        } else if (!room()) {
            return false;
        }
        if (stopping_ || nextToRead_ >= count_) {
            return false;
        }
        index = nextToRead_++;
    }
    std::optional<LoadResult> result;
    try {
        InputReader::Fetched fetched = reader_.Fetch(index);
        fetchLock.unlock();
        if (const std::size_t held = fetched.HeldBytes(); held > 0) {
            std::lock_guard lock(mutex_);
            slots_[index % window_].bytes = held;
            held_ += held;
        }
        result.emplace(reader_.Parse(index, std::move(fetched)));
    } catch (...) {
        // Out of memory on a notification too large to hold: it cannot be converted.
        result.reset();
        result.emplace(Unexpected{
            LoadFailure{ErrorKind::FormatNotSupported, false, OutOfMemoryReason(), FailureCause::Other, {}}});
    }
    if (fetchLock.owns_lock()) {
        fetchLock.unlock();
    }
    {
        std::lock_guard lock(mutex_);
        Slot& slot = slots_[index % window_];
        held_ -= slot.bytes;
        slot.bytes = HeldBytes(*result);
        held_ += slot.bytes;
        slot.result = std::move(result);
    }
    resultReady_.notify_all();
    roomFreed_.notify_all();  // the bytes held changed
    return true;
}

LoadResult ReadAhead::Take(std::size_t index)
{
    Slot& slot = slots_[index % window_];
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (slot.result.has_value()) {
                break;
            }
        }
        if (!ReadNext(false)) {
            break;
        }
    }
    std::unique_lock lock(mutex_);
    resultReady_.wait(lock, [&] { return slot.result.has_value(); });
    LoadResult result = std::move(*slot.result);
    slot.result.reset();
    held_ -= slot.bytes;
    slot.bytes = 0;
    nextToTake_ = index + 1;
    lock.unlock();
    roomFreed_.notify_all();
    return result;
}

}  // namespace tenvor
