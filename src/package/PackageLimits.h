// The limits a package is read within, whatever it declares about itself.
#pragma once

#include <cstdint>

namespace tenvor {

// A member larger than this once inflated is refused (checked against the declared size first,
// then while inflating).
inline constexpr std::uint64_t kMaxMemberBytes = std::uint64_t{256} * 1024 * 1024;

// A member larger than kRatioAppliesAboveBytes once inflated may be at most this many times its
// compressed size.
inline constexpr std::uint64_t kMaxCompressionRatio = 1000;
inline constexpr std::uint64_t kRatioAppliesAboveBytes = std::uint64_t{1} * 1024 * 1024;

// ZIPs inside ZIPs: the package itself is depth 1, a ZIP in it depth 2, and so on; a ZIP that
// would be opened at a depth beyond this is refused.
inline constexpr int kMaxPackageDepth = 4;

// Everything read from one package (nested ZIPs and their members included) may inflate to at
// most kMaxCompressionRatio times the package's size plus kMaxMemberBytes, so that entries
// sharing their compressed data cannot multiply the work. No honest package comes near it:
// deflate itself does not compress more than about 1,032 times.
inline constexpr std::uint64_t PackageInflateBudget(std::uint64_t packageBytes)
{
    return packageBytes > (UINT64_MAX - kMaxMemberBytes) / kMaxCompressionRatio
               ? UINT64_MAX
               : packageBytes * kMaxCompressionRatio + kMaxMemberBytes;
}

// What listing a package may take. The numbers lie far above any honest download: a bulk export
// of a few thousand notifications in hundreds of numbered folders, with a filing ZIP for each,
// has some ten thousand entries of names under 200 bytes and a few folders each.

// Entries of one archive (the package or a ZIP inside it), read from its end of central
// directory before libzip reads the directory, and of the package and every nested ZIP it lists
// together. An archive over it is refused whole, without listing anything of it.
inline constexpr std::uint64_t kMaxEntriesPerPackage = 100'000;

// The central directory of one archive, which libzip holds in memory while it is open: room for
// the entries above with names of some 300 bytes. An archive whose directory is larger is
// refused whole.
inline constexpr std::uint64_t kMaxCentralDirectoryBytes = std::uint64_t{32} * 1024 * 1024;

// The name of a member as stored, in bytes; a longer one is refused (that member alone).
inline constexpr std::uint64_t kMaxMemberNameBytes = 1'024;

// Folders in the path of a member (a/b/c.xml has two); a member in more is refused before any
// folder is made.
inline constexpr std::uint64_t kMaxMemberFolders = 64;

// One component of a member's output path (a folder, or the file name with ".xml"), sanitised,
// in UTF-8 bytes: what the file systems hold (255 bytes on Linux, 255 UTF-16 units on Windows,
// which never exceed the UTF-8 bytes). A member with a longer component is refused.
inline constexpr std::uint64_t kMaxComponentBytes = 255;

// The path of a member's CSV file below the output folder (the package's folder, those of the
// nested ZIPs and the member's own, and the file name), in UTF-8 bytes: with the output folder
// it must stay within what the systems take as one path (4,096 bytes on Linux). A member whose
// path is longer is refused.
inline constexpr std::uint64_t kMaxOutputPathBytes = 2'048;

// The items one package adds to the run, nested ZIPs and faults included; the memory they take
// (their paths and output folders, as PackageItem::ListedBytes counts them) is bounded too. The
// first items within both convert; at the first one past either, one item on the package says
// that the rest was not converted, and listing stops.
inline constexpr std::uint64_t kMaxRecordsPerPackage = 50'000;
inline constexpr std::uint64_t kMaxListedBytesPerPackage = std::uint64_t{16} * 1024 * 1024;
// The items of all the packages of one run are held until the run ends: together they may take
// this much (run/InputList gives each package what is left, at most the package's own limit).
inline constexpr std::uint64_t kMaxListedBytesPerRun = std::uint64_t{32} * 1024 * 1024;

// Nested ZIPs are read into memory to list and to read their members; those open at once (the
// ZIPs on the way from the package down to the deepest one) may together be this large. A nested
// ZIP that does not fit is refused whole.
inline constexpr std::uint64_t kMaxNestedZipBytesHeld = std::uint64_t{32} * 1024 * 1024;

}  // namespace tenvor
