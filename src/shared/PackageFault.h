// Why a ZIP package, or an item of it, could not be read: what is wrong and the words that tell
// more. The archive reader finds it, the listing and the reader pass it on, the run records it
// under ErrorKindOf(kind) with the reason diag/FailureReasons words from it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "shared/ErrorKind.h"
#include "shared/Expected.h"

namespace tenvor {

enum class PackageFaultKind {
    // The package or the member is not what it should be (FormatNotSupported).
    NotAZip,            // not a ZIP, cut short, a broken central directory (on the ZIP's own path)
    NestedTooDeep,      // a ZIP nested deeper than kMaxPackageDepth (on the nested ZIP's path)
    EncryptedMember,    // the member is encrypted
    UnsupportedMethod,  // compressed with a method other than stored and deflated
    CrcMismatch,        // the member's data does not match its CRC
    CorruptMember,      // the member's data or local header is broken, or its size is not the recorded one
    UnsafeName,         // the member's path leaves its folder (.., absolute, a drive, a server)
    TooLarge,           // larger than kMaxMemberBytes once inflated
    RatioTooHigh,       // compressed more strongly than kMaxCompressionRatio (or the package's budget) allows
    // The package file could not be read (FileMissing).
    PackageMissing,     // nothing at the package's path
    PackageUnreadable,  // the package's path is no readable file
    PackageVanished,    // the package file went away after it was listed
    PackageChanged,     // the package file changed after it was listed
    ReadError,          // the system failed to read the package file
    // Over a limit of package/PackageLimits.h (FormatNotSupported); found and limit tell the
    // numbers.
    TooManyEntries,       // an archive with more entries than the limit (on the archive's path)
    TooManyEntriesInAll,  // a nested ZIP whose entries take the package's total past the limit
    DirectoryTooLarge,    // an archive whose central directory is larger than the limit
    NestedZipTooLarge,    // a nested ZIP that, with those open on the way to it, is too large
    NameTooLong,          // a member whose stored name is longer than the limit
    TooManyFolders,       // a member in more folders than the limit
    ComponentTooLong,     // a member with a folder or file name longer than the file systems hold
    PathTooLong,          // a member whose CSV file's path below the output folder is too long
    TooManyRecords,       // the package's items reached the limit: the rest is not converted
    ListingTooLarge,      // the package's items reached the memory limit: the rest is not converted
};

struct PackageFault {
    PackageFaultKind kind = PackageFaultKind::NotAZip;
    // For UnsafeName the part of the name that is unsafe; otherwise libzip's or the system's
    // words, or what this reader found (empty when there is nothing to add).
    std::string detail;
    // For a limit: the number found (or reached) and the limit.
    std::uint64_t found = 0;
    std::uint64_t limit = 0;

    bool operator==(const PackageFault&) const = default;
};

// A value read from a package, or the fault that prevented it.
template <typename T>
using PackageResult = Expected<T, PackageFault>;

inline Unexpected<PackageFault> PackageFailure(PackageFaultKind kind, std::string detail = {})
{
    return Unexpected<PackageFault>{PackageFault{kind, std::move(detail)}};
}

// The kind of error the run records the fault under.
constexpr ErrorKind ErrorKindOf(PackageFaultKind kind)
{
    switch (kind) {
        case PackageFaultKind::PackageMissing:
        case PackageFaultKind::PackageUnreadable:
        case PackageFaultKind::PackageVanished:
        case PackageFaultKind::PackageChanged:
        case PackageFaultKind::ReadError:
            return ErrorKind::FileMissing;
        default:
            return ErrorKind::FormatNotSupported;
    }
}

}  // namespace tenvor
