// ZIP archives made in memory with libzip, for tests, fuzzing seeds and examples, and the byte
// patches that make the broken ones libzip refuses to write (an encryption flag without
// encryption, a size that lies, two entries of one name).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

struct zip;
struct zip_source;

namespace tenvor::gen {

class ZipBuilder {
public:
    enum class Method { Store, Deflate };
    enum class Names {
        Utf8,  // UTF-8 with the UTF-8 flag (plain ASCII names never get the flag)
        Raw,   // the bytes as given, without the flag (code page 932 from Windows' compressed folders)
    };

    ZipBuilder();
    ~ZipBuilder();
    ZipBuilder(const ZipBuilder&) = delete;
    ZipBuilder& operator=(const ZipBuilder&) = delete;

    void Add(std::string_view name, std::string bytes, Method method = Method::Deflate, Names names = Names::Utf8);
    // A folder entry; the name ends with '/'.
    void AddFolder(std::string_view name, Names names = Names::Utf8);
    // An entry of data deflated already (a raw deflate stream) that inflates to size bytes with
    // this CRC; nothing is compressed again.
    void AddDeflated(std::string_view name, std::string deflated, std::uint64_t size, std::uint32_t crc);

    // The archive's bytes; the builder is done with after it.
    std::string Finish();

private:
    void Added(long long index, std::string_view name);

    zip_source* target_ = nullptr;
    zip* archive_ = nullptr;
    std::deque<std::string> data_;  // what the entries read from, kept until the archive is written
};

// Where an entry lies in an archive's bytes, from its central directory (no ZIP64).
struct ZipEntryBytes {
    std::size_t centralHeader = 0;
    std::size_t localHeader = 0;
    std::size_t data = 0;  // the first byte of the entry's (compressed) data
    std::size_t nameLength = 0;
    std::uint32_t compressedSize = 0;
};
std::vector<ZipEntryBytes> FindZipEntries(const std::string& zip);

// Sets the "encrypted" bit in both headers of the entry.
void MarkEncrypted(std::string& zip, std::size_t entry);
// Writes another uncompressed size into both headers of the entry.
void SetDeclaredSize(std::string& zip, std::size_t entry, std::uint32_t size);
// Writes another compression method into both headers of the entry.
void SetCompressionMethod(std::string& zip, std::size_t entry, std::uint16_t method);
// Writes another name of the same length into both headers of the entry.
void RenameEntry(std::string& zip, std::size_t entry, std::string_view sameLengthName);

// Appends copies of the entry's central directory record, all pointing at its one local header
// and data, so that the archive lists the entry copies more times (entries that overlap).
void RepeatCentralEntry(std::string& zip, std::size_t entry, std::size_t copies);

// An archive of count entries of one name, all pointing at one stored local header of the data
// (ZIP64 end records from 65,535 entries on): very many entries in few bytes.
std::string SharedEntryArchive(std::string_view name, std::string_view data, std::uint64_t count);

// A raw deflate stream of count zero bytes, made from one compressed mebibyte repeated, with
// the CRC of the zeros: a 2 GiB member in about 2 MB, made in milliseconds.
struct DeflatedZeros {
    std::string deflated;
    std::uint32_t crc = 0;
};
DeflatedZeros DeflateZeros(std::uint64_t mebibytes);

}  // namespace tenvor::gen
