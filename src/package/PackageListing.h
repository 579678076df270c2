// The items of a package: a ZIP of notifications (a download, a return notice, a bulk export)
// gone through in stored order, ZIPs inside it depth first, without extracting anything.
//
// Every member whose name ends in ".xml" (any letter case) is an item; a member ending in ".zip"
// is read into memory and its members become items the same way, down to kMaxPackageDepth;
// everything else (stylesheets, PDF and text files, folders) is passed over. A package that
// cannot be opened, a nested ZIP that cannot be read or opened, and each member that cannot be
// used (an unsafe name, encrypted, an unsupported method, over a limit) are items too, with
// their fault. Listing reads nothing but the central directories and the nested ZIPs, so it is
// cheap enough to count a run's inputs with; PackageReader then reads the items.
//
// Limits (package/PackageLimits.h). An archive with too many entries or too large a central
// directory, a nested ZIP that would take the package's entries past the limit, and one too
// large to hold with those open on the way to it are each one item on that archive, nothing of
// it listed. A member whose name is too long (shown shortened), that lies in too many folders or
// has a folder or file name longer than the file systems hold is an item with its fault, and
// no folder is made for it. When the package's items reach their number or memory limit, one
// item on the package (no location) says that the rest is not converted, and listing stops.
//
// Paths. The displayed path of an item is the package's path as given, then the member's path
// with the system's separator ('\' on Windows, '/' elsewhere): dl/P.zip/D/x.xml, and for a
// member of a nested ZIP dl/P.zip/sub/Q.zip/D/x.xml. The output folder is a list of sanitised
// components relative to the output root: the caller's prefix for the package (such as {"S",
// "P"} for a package P.zip found in the subfolder S of a folder input), then the member's
// folders; a nested ZIP's file name without ".zip" becomes a folder: {"S", "P", "sub", "Q", "D"}.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "package/PackageLimits.h"
#include "platform/ArchiveFile.h"
#include "shared/PackageFault.h"

namespace tenvor {

// An entry of an archive as the listing saw it; reading checks that it is still the same.
struct EntryMark {
    std::uint64_t index = 0;  // in the archive's stored order
    std::uint32_t crc = 0;
    std::uint64_t size = 0;
    std::uint64_t compressedSize = 0;

    bool operator==(const EntryMark&) const = default;
};

struct PackageItem {
    std::string displayPath;
    std::vector<std::string> outputFolder;  // sanitised components, the caller's prefix first
    std::string baseName;                   // sanitised file name without ".xml" (empty for a ZIP)
    // True when the item stands for a ZIP itself (the package or a nested ZIP that could not be
    // opened or was too deep), false for a member.
    bool isZip = false;
    std::optional<PackageFault> fault;  // known from the listing alone
    // The nested ZIPs' entries from the top down, then the member's; empty for the package's
    // own fault.
    std::vector<EntryMark> location;

    // The output folder joined with the system's separator.
    std::string OutputFolderPath() const;
    // About what the item takes in memory, for kMaxListedBytesPerPackage.
    std::uint64_t ListedBytes() const;
};

struct PackageListing {
    std::string path;                          // the package file (empty for a package in memory)
    std::shared_ptr<const std::string> bytes;  // the package in memory (null for a file)
    std::optional<FileStamp> stamp;            // the file's when it was listed
    std::vector<PackageItem> items;

    // What the items take (the sum of their ListedBytes).
    std::uint64_t ListedBytes() const;
};

// Lists the package in the file. displayPath starts every displayed path (usually the path as
// the user gave it); outputPrefix starts every output folder (its components are sanitised).
// maxListedBytes bounds what its items may take (ListedBytes), at most the package's own limit.
[[nodiscard]] PackageListing ListPackageFile(const std::string& path, const std::string& displayPath,
                                             const std::vector<std::string>& outputPrefix,
                                             std::uint64_t maxListedBytes = kMaxListedBytesPerPackage);

// Lists a package held in memory.
[[nodiscard]] PackageListing ListPackageBytes(std::shared_ptr<const std::string> bytes, const std::string& displayPath,
                                              const std::vector<std::string>& outputPrefix);

}  // namespace tenvor
