#include "package/PackageWalk.h"

#include <algorithm>

#include "package/PackageLimits.h"

namespace tenvor {

PackageFault PackageFaultOf(ZipFault fault)
{
    switch (fault) {
        case ZipFault::FileMissing:
        case ZipFault::FileVanished:
            return PackageFault::PackageVanished;
        case ZipFault::FileUnreadable:
            return PackageFault::PackageUnreadable;
        case ZipFault::NotAZip:
            return PackageFault::NotAZip;
        case ZipFault::ReadError:
            return PackageFault::ReadError;
        case ZipFault::FileChanged:
        case ZipFault::NoSuchEntry:
            return PackageFault::PackageChanged;
        case ZipFault::Encrypted:
            return PackageFault::EncryptedMember;
        case ZipFault::UnsupportedMethod:
            return PackageFault::UnsupportedMethod;
        case ZipFault::CrcMismatch:
            return PackageFault::CrcMismatch;
        case ZipFault::CorruptData:
            return PackageFault::CorruptMember;
        case ZipFault::OverSizeLimit:
            return PackageFault::TooLarge;
        case ZipFault::OverRatioLimit:
            return PackageFault::RatioTooHigh;
    }
    return PackageFault::CorruptMember;
}

ItemFault ItemFaultOf(const ZipError& error)
{
    return {PackageFaultOf(error.fault), error.message};
}

EntryMark MarkOf(std::uint64_t index, const ZipEntry& entry)
{
    return {index, entry.crc, entry.size, entry.compressedSize};
}

InflateBudget::InflateBudget(std::uint64_t packageBytes) : left_(PackageInflateBudget(packageBytes)) {}

ZipReadLimits InflateBudget::Limits() const
{
    return {std::min(kMaxMemberBytes, left_), kMaxCompressionRatio, kRatioAppliesAboveBytes};
}

std::optional<ZipError> InflateBudget::RefusalBeforeReading(const ZipEntry& entry) const
{
    std::optional<ZipError> refusal = ZipArchive::RefusalBeforeReading(entry, Limits());
    if (refusal && refusal->fault == ZipFault::OverSizeLimit && entry.size <= kMaxMemberBytes) {
        // Within the member limit, over what the package has left: the package as a whole is
        // compressed too strongly.
        return ZipError{ZipFault::OverRatioLimit, "over the package's inflate budget: " + refusal->message};
    }
    return refusal;
}

ZipResult<std::string> InflateBudget::Read(ZipArchive& archive, std::uint64_t index, const ZipEntry& entry)
{
    if (std::optional<ZipError> refusal = RefusalBeforeReading(entry)) {
        return *refusal;
    }
    const ZipReadLimits limits = Limits();
    ZipResult<std::string> content = archive.Read(index, limits);
    // Inflating stops past the declared size, so the declared size bounds what a failed read
    // cost.
    left_ -= std::min(left_, content.ok() ? static_cast<std::uint64_t>(content.value().size()) : entry.size);
    if (!content.ok() && content.error().fault == ZipFault::OverSizeLimit && limits.maxBytes < kMaxMemberBytes) {
        return ZipError{ZipFault::OverRatioLimit, "over the package's inflate budget: " + content.error().message};
    }
    return content;
}

}  // namespace tenvor
