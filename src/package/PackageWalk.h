// What listing and reading a package share: the faults libzip's errors mean to a package, the
// inflate budget of one package, and reading one entry within the limits.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "package/PackageFault.h"
#include "package/PackageListing.h"
#include "platform/ZipArchive.h"

namespace tenvor {

// What a fault of the archive means for a package item. A file missing or unreadable when
// opened again means it vanished or changed since it was listed.
PackageFault PackageFaultOf(ZipFault fault);

EntryMark MarkOf(std::uint64_t index, const ZipEntry& entry);

// How much one package may still inflate (PackageInflateBudget).
class InflateBudget {
public:
    explicit InflateBudget(std::uint64_t packageBytes);

    // Why the entry cannot be read without inflating anything, if it cannot.
    std::optional<ZipError> RefusalBeforeReading(const ZipEntry& entry) const;
    // Reads the entry within the limits and what is left of the budget, and charges it.
    ZipResult<std::string> Read(ZipArchive& archive, std::uint64_t index, const ZipEntry& entry);

private:
    ZipReadLimits Limits() const;

    std::uint64_t left_;
};

// A fault with its details, for an item.
struct ItemFault {
    PackageFault fault;
    std::string detail;
};

// The fault for an error of the archive: over the size limit is the package's budget when that
// was the smaller limit.
ItemFault ItemFaultOf(const ZipError& error);

}  // namespace tenvor
