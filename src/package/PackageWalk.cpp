#include "package/PackageWalk.h"

#include <algorithm>
#include <utility>

#include "package/PackageLimits.h"

namespace tenvor {

namespace {

// A fault over the byte limit, told as the package's budget run out.
PackageFault OverBudget(const PackageFault& overSize)
{
    return {PackageFaultKind::RatioTooHigh, "over the package's inflate budget: " + overSize.detail};
}

}  // namespace

EntryMark MarkOf(std::uint64_t index, const ZipEntry& entry)
{
    return {index, entry.crc, entry.size, entry.compressedSize};
}

InflateBudget::InflateBudget(std::uint64_t packageBytes) : left_(PackageInflateBudget(packageBytes)) {}

ZipReadLimits InflateBudget::Limits() const
{
    return {std::min(kMaxMemberBytes, left_), kMaxCompressionRatio, kRatioAppliesAboveBytes};
}

std::optional<PackageFault> InflateBudget::RefusalBeforeReading(const ZipEntry& entry) const
{
    std::optional<PackageFault> refusal = ZipArchive::RefusalBeforeReading(entry, Limits());
    if (refusal && refusal->kind == PackageFaultKind::TooLarge && entry.size <= kMaxMemberBytes) {
        // Within the member limit, over what the package has left: the package as a whole is
        // compressed too strongly.
        return OverBudget(*refusal);
    }
    return refusal;
}

PackageResult<std::string> InflateBudget::Read(ZipArchive& archive, std::uint64_t index, const ZipEntry& entry)
{
    const PackageResult<ZipReadLimits> limits = Claim(entry);
    if (!limits) {
        return Unexpected{limits.error()};
    }
    return Outcome(archive.Read(index, *limits), *limits);
}

PackageResult<ZipReadLimits> InflateBudget::Claim(const ZipEntry& entry)
{
    if (std::optional<PackageFault> refusal = RefusalBeforeReading(entry)) {
        return Unexpected{std::move(*refusal)};
    }
    const ZipReadLimits limits = Limits();
    // A read that succeeds has exactly the declared size, and inflating stops past it, so the
    // declared size is what reading costs however it ends.
    left_ -= std::min(left_, entry.size);
    return limits;
}

PackageResult<std::string> InflateBudget::Outcome(PackageResult<std::string> content, const ZipReadLimits& limits)
{
    if (!content && content.error().kind == PackageFaultKind::TooLarge && limits.maxBytes < kMaxMemberBytes) {
        return Unexpected{OverBudget(content.error())};
    }
    return content;
}

PackageResult<std::unique_ptr<ZipArchive::EntryReader>> InflateBudget::Open(ZipArchive& archive, std::uint64_t index,
                                                                            const ZipEntry& entry)
{
    if (std::optional<PackageFault> refusal = RefusalBeforeReading(entry)) {
        return Unexpected{std::move(*refusal)};
    }
    opened_ = Limits();
    PackageResult<std::unique_ptr<ZipArchive::EntryReader>> reader = archive.OpenEntry(index, opened_);
    if (!reader) {
        left_ -= std::min(left_, entry.size);
        if (reader.error().kind == PackageFaultKind::TooLarge && opened_.maxBytes < kMaxMemberBytes) {
            return Unexpected{OverBudget(reader.error())};
        }
    }
    return reader;
}

std::optional<PackageFault> InflateBudget::Charge(const ZipArchive::EntryReader& reader, const ZipEntry& entry)
{
    const std::optional<PackageFault>& fault = reader.Fault();
    left_ -= std::min(left_, fault ? entry.size : reader.Total());
    if (fault && fault->kind == PackageFaultKind::TooLarge && opened_.maxBytes < kMaxMemberBytes) {
        return OverBudget(*fault);
    }
    return fault;
}

}  // namespace tenvor
