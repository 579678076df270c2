// What listing and reading a package share: the mark of an entry, the inflate budget of one
// package, and reading one entry within the limits.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "package/PackageListing.h"
#include "package/ZipArchive.h"
#include "shared/PackageFault.h"

namespace tenvor {

EntryMark MarkOf(std::uint64_t index, const ZipEntry& entry);

// How much one package may still inflate (PackageInflateBudget). Over the size limit is the
// package's budget, a ratio too high, when that was the smaller limit.
class InflateBudget {
public:
    explicit InflateBudget(std::uint64_t packageBytes);

    // Why the entry cannot be read without inflating anything, if it cannot.
    std::optional<PackageFault> RefusalBeforeReading(const ZipEntry& entry) const;
    // Reads the entry within the limits and what is left of the budget, and charges it.
    PackageResult<std::string> Read(ZipArchive& archive, std::uint64_t index, const ZipEntry& entry);
    // Read in two steps, for an entry read later and elsewhere: the budget charged (what it
    // charges does not depend on how reading ends) and the limits to read within, then what
    // reading within them came to, as Read reports it.
    PackageResult<ZipReadLimits> Claim(const ZipEntry& entry);
    static PackageResult<std::string> Outcome(PackageResult<std::string> content, const ZipReadLimits& limits);
    // The same in pieces: the entry opened within the limits, then, once it has been read,
    // charged, with the fault it ended with (as Read reports it).
    PackageResult<std::unique_ptr<ZipArchive::EntryReader>> Open(ZipArchive& archive, std::uint64_t index,
                                                                 const ZipEntry& entry);
    std::optional<PackageFault> Charge(const ZipArchive::EntryReader& reader, const ZipEntry& entry);

private:
    ZipReadLimits Limits() const;

    std::uint64_t left_;
    ZipReadLimits opened_{};  // the limits the entry read in pieces was opened with
};

}  // namespace tenvor
