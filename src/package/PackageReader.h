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
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "package/PackageListing.h"
#include "package/ZipArchive.h"
#include "shared/PackageFault.h"

namespace tenvor {

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

}  // namespace tenvor
