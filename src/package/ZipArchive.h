// An open ZIP archive, read with libzip: from a file (opened through ArchiveFile, so that a
// missing or unreadable file is told apart from one that is no ZIP) or from bytes held in memory
// (a ZIP inside a ZIP). It lists its entries as they are stored, raw names included, and reads
// one entry at a time into memory within limits that hold while the data is inflated, whatever
// sizes the archive declares. Archives with two entries of one name open and read normally.
//
// Results are typed; the only exception that leaves it is std::bad_alloc. An archive is used by
// one thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>

#include "platform/ArchiveFile.h"

namespace tenvor {

enum class ZipFault {
    FileMissing,        // nothing at the path
    FileUnreadable,     // there, but not a readable regular file (no access, a folder, a device)
    NotAZip,            // no ZIP archive: another kind of file, empty, cut short, a broken central directory
    ReadError,          // the system failed to read the file
    FileChanged,        // the file changed or was replaced while it was being read
    FileVanished,       // the file went away from its path while it was being read
    NoSuchEntry,        // an index past the last entry
    Encrypted,          // the entry is encrypted
    UnsupportedMethod,  // compressed with a method other than stored and deflated
    CrcMismatch,        // the data does not match its recorded CRC
    CorruptData,        // the entry's local header or compressed data is broken, or its size is not the recorded one
    OverSizeLimit,      // larger than the byte limit, as declared or found while inflating
    OverRatioLimit,     // compressed more strongly than the ratio limit allows
};

struct ZipError {
    ZipFault fault;
    std::string message;  // libzip's or the system's words, for the log
};

// A value or the error that prevented it.
template <typename T>
class [[nodiscard]] ZipResult {
public:
    ZipResult(T value) : content_(std::in_place_index<0>, std::move(value)) {}
    ZipResult(ZipError error) : content_(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return content_.index() == 0; }
    T& value() { return std::get<0>(content_); }
    const T& value() const { return std::get<0>(content_); }
    const ZipError& error() const { return std::get<1>(content_); }

private:
    std::variant<T, ZipError> content_;
};

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

class ZipArchive {
public:
    // Opens the archive in the file. FileMissing and FileUnreadable say what is at the path;
    // NotAZip that the file is there but holds no readable archive.
    [[nodiscard]] static ZipResult<ZipArchive> OpenFile(const std::string& path);
    // Opens the archive in the bytes, which the archive keeps.
    [[nodiscard]] static ZipResult<ZipArchive> OpenBytes(std::string bytes);

    ZipArchive(ZipArchive&&) noexcept;
    ZipArchive& operator=(ZipArchive&&) noexcept;
    ~ZipArchive();

    std::uint64_t EntryCount() const;
    [[nodiscard]] ZipResult<ZipEntry> Entry(std::uint64_t index) const;

    // Why the entry cannot be read without inflating anything: encrypted, an unsupported method,
    // a declared size over the limits; nullopt when nothing is known against it.
    [[nodiscard]] static std::optional<ZipError> RefusalBeforeReading(const ZipEntry& entry,
                                                                      const ZipReadLimits& limits);

    // Reads the entry fully. The limits hold while inflating: reading stops as soon as more
    // bytes come than the byte limit, the ratio limit or the declared size allow. The content is
    // returned only when the CRC and the size have been checked at its end.
    [[nodiscard]] ZipResult<std::string> Read(std::uint64_t index, const ZipReadLimits& limits);

    // The stamp of the file as it was opened; nullopt for an archive in memory.
    std::optional<FileStamp> Stamp() const;

private:
    struct State;
    explicit ZipArchive(std::unique_ptr<State> state);

    std::unique_ptr<State> state_;
};

// Whether this reader inflates the method (stored and deflated, the same on every system).
bool IsSupportedCompressionMethod(std::uint16_t method);

}  // namespace tenvor
