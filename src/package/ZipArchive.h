// An open ZIP archive, read with libzip: from a file (opened through ArchiveFile, so that a
// missing or unreadable file is told apart from one that is no ZIP) or from bytes held in memory
// (a ZIP inside a ZIP). It lists its entries as they are stored, raw names included, and reads
// one entry at a time into memory within limits that hold while the data is inflated, whatever
// sizes the archive declares. Archives with two entries of one name open and read normally.
//
// Results are typed: a value or the package fault that prevented it, with libzip's or the
// system's words as its detail. The only exception that leaves it is std::bad_alloc. An archive
// is used by one thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "package/PackageLimits.h"
#include "platform/ArchiveFile.h"
#include "shared/PackageFault.h"

namespace tenvor {

struct ZipEntry {
    std::string rawName;  // the name's bytes as stored (up to a NUL byte, where libzip ends it)
    // Whether the name is UTF-8 by the archive's word: the UTF-8 flag, or libzip's Unicode path
    // field. A name of printable ASCII reads the same either way and counts as flagged.
    bool utf8Flag = false;
    std::uint64_t size = 0;            // uncompressed, as declared
    std::uint64_t compressedSize = 0;  // as declared
    std::uint32_t crc = 0;             // as declared
    std::uint16_t compressionMethod = 0;
    std::uint16_t encryptionMethod = 0;
    bool isDirectory = false;  // the name ends with '/'
};

// What reading an entry may take. The ratio limit applies to entries larger than
// ratioAppliesAboveBytes: their uncompressed size may be at most maxRatio times the compressed one.
struct ZipReadLimits {
    std::uint64_t maxBytes = 0;
    std::uint64_t maxRatio = 0;
    std::uint64_t ratioAppliesAboveBytes = 0;
};

// What an archive may hold to be opened at all. Both are read from the end of its central
// directory (the largest of every record found there, zip64 included) before libzip reads the
// directory into memory, and the count is checked again once it has.
struct ZipOpenLimits {
    std::uint64_t maxEntries = kMaxEntriesPerPackage;
    std::uint64_t maxDirectoryBytes = kMaxCentralDirectoryBytes;
};

class ZipArchive {
public:
    // Opens the archive in the file. PackageMissing and PackageUnreadable say what is at the
    // path; NotAZip that the file is there but holds no readable archive; ReadError that the
    // system failed to read it; TooManyEntries and DirectoryTooLarge that it is over the limits.
    [[nodiscard]] static PackageResult<ZipArchive> OpenFile(const std::string& path, const ZipOpenLimits& limits = {});
    // Opens the archive in the bytes, which the archive keeps; NotAZip when they hold none.
    [[nodiscard]] static PackageResult<ZipArchive> OpenBytes(std::string bytes, const ZipOpenLimits& limits = {});
    // The same over bytes that other archives may read at the same time (each through its own).
    [[nodiscard]] static PackageResult<ZipArchive> OpenBytes(std::shared_ptr<const std::string> bytes,
                                                             const ZipOpenLimits& limits = {});

    ZipArchive(ZipArchive&&) noexcept;
    ZipArchive& operator=(ZipArchive&&) noexcept;
    ~ZipArchive();

    std::uint64_t EntryCount() const;
    // The entry; an index past the last one is PackageChanged (the listing saw more entries).
    [[nodiscard]] PackageResult<ZipEntry> Entry(std::uint64_t index) const;

    // Why the entry cannot be read without inflating anything: encrypted, an unsupported method,
    // a declared size over the limits; nullopt when nothing is known against it.
    [[nodiscard]] static std::optional<PackageFault> RefusalBeforeReading(const ZipEntry& entry,
                                                                          const ZipReadLimits& limits);

    // Reads the entry fully. The limits hold while inflating: reading stops as soon as more
    // bytes come than the byte limit, the ratio limit or the declared size allow. The content is
    // returned only when the CRC and the size have been checked at its end. A file archive's
    // error that comes from the file changing or going away under the reader is PackageChanged
    // or PackageVanished.
    [[nodiscard]] PackageResult<std::string> Read(std::uint64_t index, const ZipReadLimits& limits);

    // The same reading in pieces, for an entry too large to hold: the entry opened, read by the
    // caller, with the same limits and the same checks at its end. The archive must outlive it
    // and read nothing else meanwhile.
    class EntryReader;
    [[nodiscard]] PackageResult<std::unique_ptr<EntryReader>> OpenEntry(std::uint64_t index,
                                                                        const ZipReadLimits& limits);

    // The stamp of the file as it was opened; nullopt for an archive in memory.
    std::optional<FileStamp> Stamp() const;
    // The bytes of an archive in memory; null for a file.
    const std::shared_ptr<const std::string>& Bytes() const;
    // The size of its central directory (the largest its end records declare), which libzip
    // holds in memory, with a record for each entry, while the archive is open.
    std::uint64_t DirectoryBytes() const;

private:
    struct State;
    explicit ZipArchive(std::unique_ptr<State> state);

    std::unique_ptr<State> state_;
};

class ZipArchive::EntryReader {
public:
    ~EntryReader();
    EntryReader(const EntryReader&) = delete;
    EntryReader& operator=(const EntryReader&) = delete;

    // Up to length bytes of the entry: how many, 0 at its end once the CRC and the size are
    // checked, -1 once it failed (Fault() says why).
    long Read(char* buffer, std::size_t length);
    // Reads what is left for the checks at the end; the fault, if any.
    const std::optional<PackageFault>& Finish();
    const std::optional<PackageFault>& Fault() const { return fault_; }
    // Bytes read so far, and the entry's size as declared.
    std::uint64_t Total() const { return total_; }
    std::uint64_t DeclaredSize() const { return declaredSize_; }

private:
    friend class ZipArchive;
    struct Entry;
    EntryReader(const ZipArchive::State& archive, std::unique_ptr<Entry> entry, std::uint64_t allowed,
                std::uint64_t declaredSize, std::uint64_t compressedSize, const ZipReadLimits& limits);

    const ZipArchive::State& archive_;
    std::unique_ptr<Entry> entry_;
    std::uint64_t allowed_;
    std::uint64_t declaredSize_;
    std::uint64_t compressedSize_;
    ZipReadLimits limits_;
    std::uint64_t total_ = 0;
    bool ended_ = false;
    std::optional<PackageFault> fault_;
};

// Whether this reader inflates the method (stored and deflated, the same on every system).
bool IsSupportedCompressionMethod(std::uint16_t method);

}  // namespace tenvor
