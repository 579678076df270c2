// Reads the inputs of a run: a file through the loader, a ZIP member out of its package. Reading
// is split in two: fetching does what must go in list order, one input at a time (claiming a
// member of its package, whose reader keeps its place), and parsing does the rest, on any
// thread (inflating the member and loading it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "convert/NotificationLoader.h"
#include "package/PackageReader.h"
#include "run/InputList.h"
#include "shared/OutputEncoding.h"

namespace tenvor {

class InputReader {
public:
    // What fetching got: a member claimed or its bytes, a failure already known, a large member
    // already read (parsed while it was fetched, one at a time), or nothing yet (a file, which
    // parsing reads itself).
    struct Fetched {
        std::optional<ClaimedMember> claimed;
        std::optional<std::string> bytes;
        std::optional<LoadFailure> failure;
        std::optional<LoadResult> loaded;

        // The memory it holds until parsed (a claimed member holds the nested ZIP it is in).
        std::size_t HeldBytes() const;
    };

    // Members larger than this are parsed while they are inflated rather than held whole.
    static constexpr std::uint64_t kStreamedMemberBytes = std::uint64_t{4} << 20;

    InputReader(const NotificationLoader& loader, const InputList& list);

    std::size_t Count() const { return list_.inputs.size(); }

    // In list order, one call at a time.
    Fetched Fetch(std::size_t index);
    // On any thread, once fetched. After RenderAhead, a notification whose records are all in
    // memory comes with its CSV text in that encoding.
    LoadResult Parse(std::size_t index, Fetched fetched) const;
    void RenderAhead(OutputEncoding encoding) { renderAhead_ = encoding; }

private:
    // Reads a large member while inflating it; the fault of the member wins over what was read.
    LoadResult ReadLargeMember(const PackageItem& item);

    LoadResult Read(std::size_t index, Fetched fetched) const;
    PackageResult<std::string> ReadClaimed(const ClaimedMember& member) const;

    const NotificationLoader& loader_;
    const InputList& list_;
    std::optional<OutputEncoding> renderAhead_;
    std::size_t openPackage_ = kNotInPackage;  // the package reader_ reads
    std::optional<PackageReader> reader_;
    // Readers of claimed members, one for each thread reading at a time.
    mutable std::mutex idleMutex_;
    mutable std::vector<std::unique_ptr<ClaimedMemberReader>> idleReaders_;
};

}  // namespace tenvor
