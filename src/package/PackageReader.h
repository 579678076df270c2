// Reads the items of a listed package: the package is opened once, its members are read one at
// a time into memory, and each nested ZIP on the way is read into memory once for all the items
// inside it (nested ZIPs are thus read twice in all: once to list, once to read).
//
// Items are meant to be read in the listing's order; items may be skipped, and an earlier item
// may be read again (its nested ZIPs are then read again). An item whose fault the listing knew
// comes back with that fault, unread. When the package file changed or went away after it was
// listed, every item comes back with that fault (kind 2), as does an item whose entry is no
// longer the one listed. The reader keeps what it needs of the listing: the listing may move or
// go while the reader lives.
//
// An item may also be claimed rather than read: the reader does everything that must go in the
// listing's order (the way to the item, its checks, the package's inflate budget) and the claim
// is then read, on any thread, by a ClaimedMemberReader of that thread's own, which opens the
// package or the nested ZIP once more. The content or the fault is the one Read gives.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "package/PackageListing.h"
#include "package/ZipArchive.h"
#include "shared/PackageFault.h"

namespace tenvor {

// A member claimed for reading: its archive, the entry and the limits it is read within, with
// the package's budget charged for it.
struct ClaimedMember {
    std::string packagePath;
    std::optional<FileStamp> stamp;                   // the package's, as listed
    std::shared_ptr<const std::string> archiveBytes;  // the archive in memory that holds it; null for the package file
    std::uint64_t directoryBytes = 0;                 // the central directory of that archive
    std::size_t depth = 0;                            // of that archive: 0 for the package itself
    std::uint64_t index = 0;
    ZipReadLimits limits;
};

class PackageReader {
public:
    // Takes the listing's package (opened on the first read).
    explicit PackageReader(const PackageListing& listing);
    ~PackageReader();
    PackageReader(PackageReader&&) noexcept;
    PackageReader& operator=(PackageReader&&) = delete;
    PackageReader(const PackageReader&) = delete;
    PackageReader& operator=(const PackageReader&) = delete;

    // The content of an item of the listing (complete and CRC-checked), or its fault.
    [[nodiscard]] PackageResult<std::string> Read(const PackageItem& item);
    // The item claimed, or the fault Read would give without inflating it.
    [[nodiscard]] PackageResult<ClaimedMember> Claim(const PackageItem& item);
    // The member just claimed (before any other claim or read), read with the reader's own
    // archives: what Read would have given for its item.
    [[nodiscard]] PackageResult<std::string> Read(const ClaimedMember& member);
    // The same for an item too large to hold: consume reads the member in pieces (as far as it
    // likes; the rest is read after it for the checks at the end). The item's fault, if any,
    // exactly as Read would give it; without one, the bytes consume read were the complete,
    // CRC-checked content. With again, the item is read once more without counting against the
    // package's inflate budget (it was counted the first time).
    [[nodiscard]] std::optional<PackageFault> ReadInPieces(const PackageItem& item,
                                                           const std::function<void(ZipArchive::EntryReader&)>& consume,
                                                           bool again = false);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Reads claimed members, keeping the archive of the last one open for the next.
class ClaimedMemberReader {
public:
    [[nodiscard]] PackageResult<std::string> Read(const ClaimedMember& member);
    // Lets go of the nested ZIP it keeps open once nothing else holds its bytes (no claim, no
    // other reader, not the reader that claims): no member of it is left to read.
    void CloseIfUnshared();

private:
    bool HasOpen(const ClaimedMember& member) const;

    std::string openPath_;
    std::optional<FileStamp> openStamp_;
    std::shared_ptr<const std::string> openBytes_;
    std::optional<ZipArchive> archive_;
    std::optional<PackageFault> failure_;  // why the archive could not be opened
};

}  // namespace tenvor
