// Why an item of a package could not be read, the error kind the run records it under, and the
// one-line reason shown to the user.
#pragma once

#include <string>
#include <string_view>

namespace tenvor {

enum class PackageFault {
    // Kind 1: the package or the member is not what it should be.
    NotAZip,            // not a ZIP, cut short, a broken central directory (on the ZIP's own path)
    NestedTooDeep,      // a ZIP nested deeper than kMaxPackageDepth (on the nested ZIP's path)
    EncryptedMember,    // the member is encrypted
    UnsupportedMethod,  // compressed with a method other than stored and deflated
    CrcMismatch,        // the member's data does not match its CRC
    CorruptMember,      // the member's data or local header is broken, or its size is not the recorded one
    UnsafeName,         // the member's path leaves its folder (.., absolute, a drive, a server)
    TooLarge,           // larger than kMaxMemberBytes once inflated
    RatioTooHigh,       // compressed more strongly than kMaxCompressionRatio (or the package's budget) allows
    // Kind 2: the package file could not be read.
    PackageMissing,     // nothing at the package's path
    PackageUnreadable,  // the package's path is no readable file
    PackageVanished,    // the package file went away after it was listed
    PackageChanged,     // the package file changed after it was listed
    ReadError,          // the system failed to read the package file
};

// 1 for a package or member that is not what it should be, 2 when its file could not be read.
int ErrorKindOf(PackageFault fault);

// A short Japanese line saying why; for UnsafeName it ends with the part of the name that is
// unsafe.
std::string FaultReason(PackageFault fault, std::string_view unsafePart = {});

}  // namespace tenvor
