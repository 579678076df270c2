#include "ZipBuilder.h"

#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <stdexcept>

namespace tenvor::gen {

namespace {

// Every entry gets the same time (2026-01-05 09:30 UTC), so that an archive's bytes depend on
// its contents only. Written as the MS-DOS date and time the headers hold: libzip would turn a
// time_t into local time, and the bytes would then depend on the machine's time zone.
constexpr std::time_t kEntryTime = 1767605400;
constexpr zip_uint16_t kEntryDosTime = 9 << 11 | 30 << 5;                // 09:30:00
constexpr zip_uint16_t kEntryDosDate = (2026 - 1980) << 9 | 1 << 5 | 5;  // 2026-01-05

[[noreturn]] void Fail(const std::string& what, zip_error_t* error)
{
    throw std::runtime_error(what + ": " + (error != nullptr ? zip_error_strerror(error) : "libzip failed"));
}

// A source that hands libzip data deflated already, saying so in its stat, so that it is copied
// into the archive as it is.
struct DeflatedData {
    const std::string* deflated = nullptr;
    std::size_t position = 0;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    zip_error_t error{};
};

zip_int64_t ServeDeflated(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    auto* source = static_cast<DeflatedData*>(state);
    switch (command) {
        case ZIP_SOURCE_OPEN:
            source->position = 0;
            return 0;
        case ZIP_SOURCE_READ: {
            const std::size_t n =
                std::min<std::size_t>(static_cast<std::size_t>(length), source->deflated->size() - source->position);
            std::memcpy(data, source->deflated->data() + source->position, n);
            source->position += n;
            return static_cast<zip_int64_t>(n);
        }
        case ZIP_SOURCE_CLOSE:
            return 0;
        case ZIP_SOURCE_STAT: {
            auto* st = static_cast<zip_stat_t*>(data);
            zip_stat_init(st);
            st->size = source->size;
            st->comp_size = source->deflated->size();
            st->comp_method = ZIP_CM_DEFLATE;
            st->encryption_method = ZIP_EM_NONE;
            st->crc = source->crc;
            st->mtime = kEntryTime;
            st->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD |
                        ZIP_STAT_CRC | ZIP_STAT_MTIME;
            return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&source->error, data, length);
        case ZIP_SOURCE_FREE:
            zip_error_fini(&source->error);
            delete source;
            return 0;
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                                  ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        default:
            zip_error_set(&source->error, ZIP_ER_OPNOTSUPP, 0);
            return -1;
    }
}

std::uint32_t Read32(const std::string& bytes, std::size_t at)
{
    if (at + 4 > bytes.size()) {
        throw std::runtime_error("ZIP structure out of bounds");
    }
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

std::uint16_t Read16(const std::string& bytes, std::size_t at)
{
    if (at + 2 > bytes.size()) {
        throw std::runtime_error("ZIP structure out of bounds");
    }
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1])
                                                                                  << 8);
}

void Write32(std::string& bytes, std::size_t at, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

ZipEntryBytes EntryAt(const std::string& zip, std::size_t entry)
{
    const std::vector<ZipEntryBytes> entries = FindZipEntries(zip);
    if (entry >= entries.size()) {
        throw std::runtime_error("no such ZIP entry");
    }
    return entries[entry];
}

}  // namespace

ZipBuilder::ZipBuilder()
{
    zip_error_t error;
    zip_error_init(&error);
    target_ = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (target_ == nullptr) {
        Fail("zip_source_buffer_create", &error);
    }
    archive_ = zip_open_from_source(target_, ZIP_TRUNCATE, &error);
    if (archive_ == nullptr) {
        zip_source_free(target_);
        Fail("zip_open_from_source", &error);
    }
    zip_source_keep(target_);  // read back after the archive is written
    zip_error_fini(&error);
}

ZipBuilder::~ZipBuilder()
{
    if (archive_ != nullptr) {
        zip_discard(archive_);
    }
    if (target_ != nullptr) {
        zip_source_free(target_);
    }
}

void ZipBuilder::Added(long long index, std::string_view name)
{
    if (index < 0) {
        Fail("adding " + std::string(name), zip_get_error(archive_));
    }
    zip_file_set_dostime(archive_, static_cast<zip_uint64_t>(index), kEntryDosTime, kEntryDosDate, 0);
}

void ZipBuilder::Add(std::string_view name, std::string bytes, Method method, Names names)
{
    const std::string& data = data_.emplace_back(std::move(bytes));
    zip_source_t* source = zip_source_buffer(archive_, data.data(), data.size(), 0);
    if (source == nullptr) {
        Fail("zip_source_buffer", zip_get_error(archive_));
    }
    const std::string path(name);
    const zip_int64_t index =
        zip_file_add(archive_, path.c_str(), source, names == Names::Utf8 ? ZIP_FL_ENC_UTF_8 : ZIP_FL_ENC_GUESS);
    if (index < 0) {
        zip_source_free(source);
    }
    Added(index, name);
    zip_set_file_compression(archive_, static_cast<zip_uint64_t>(index),
                             method == Method::Store ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 9);
}

void ZipBuilder::AddFolder(std::string_view name, Names names)
{
    const std::string path(name);
    Added(zip_dir_add(archive_, path.c_str(), names == Names::Utf8 ? ZIP_FL_ENC_UTF_8 : ZIP_FL_ENC_GUESS), name);
}

void ZipBuilder::AddDeflated(std::string_view name, std::string deflated, std::uint64_t size, std::uint32_t crc)
{
    const std::string& data = data_.emplace_back(std::move(deflated));
    auto* state = new DeflatedData;
    state->deflated = &data;
    state->size = size;
    state->crc = crc;
    zip_error_init(&state->error);
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_function_create(ServeDeflated, state, &error);
    if (source == nullptr) {
        delete state;
        Fail("zip_source_function_create", &error);
    }
    const std::string path(name);
    const zip_int64_t index = zip_file_add(archive_, path.c_str(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
    }
    Added(index, name);
}

std::string ZipBuilder::Finish()
{
    if (zip_close(archive_) != 0) {
        Fail("zip_close", zip_get_error(archive_));
    }
    archive_ = nullptr;
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_source_stat(target_, &st) != 0 || zip_source_open(target_) != 0) {
        Fail("reading the archive back", zip_source_error(target_));
    }
    std::string bytes(static_cast<std::size_t>(st.size), '\0');
    const zip_int64_t got = zip_source_read(target_, bytes.data(), bytes.size());
    zip_source_close(target_);
    if (got < 0 || static_cast<std::size_t>(got) != bytes.size()) {
        Fail("reading the archive back", zip_source_error(target_));
    }
    return bytes;
}

std::vector<ZipEntryBytes> FindZipEntries(const std::string& zip)
{
    if (zip.size() < 22) {
        throw std::runtime_error("too short for a ZIP");
    }
    std::size_t end = zip.size() - 22;
    while (Read32(zip, end) != 0x06054b50) {
        if (end == 0) {
            throw std::runtime_error("no end of central directory");
        }
        --end;
    }
    const std::uint16_t count = Read16(zip, end + 10);
    std::size_t at = Read32(zip, end + 16);
    std::vector<ZipEntryBytes> entries;
    for (std::uint16_t i = 0; i < count; ++i) {
        if (Read32(zip, at) != 0x02014b50) {
            throw std::runtime_error("broken central directory");
        }
        ZipEntryBytes entry;
        entry.centralHeader = at;
        entry.compressedSize = Read32(zip, at + 20);
        entry.nameLength = Read16(zip, at + 28);
        entry.localHeader = Read32(zip, at + 42);
        entry.data = entry.localHeader + 30 + Read16(zip, entry.localHeader + 26) + Read16(zip, entry.localHeader + 28);
        entries.push_back(entry);
        at += 46 + entry.nameLength + Read16(zip, at + 30) + Read16(zip, at + 32);
    }
    return entries;
}

void MarkEncrypted(std::string& zip, std::size_t entry)
{
    const ZipEntryBytes where = EntryAt(zip, entry);
    zip[where.centralHeader + 8] = static_cast<char>(zip[where.centralHeader + 8] | 1);
    zip[where.localHeader + 6] = static_cast<char>(zip[where.localHeader + 6] | 1);
}

void SetDeclaredSize(std::string& zip, std::size_t entry, std::uint32_t size)
{
    const ZipEntryBytes where = EntryAt(zip, entry);
    Write32(zip, where.centralHeader + 24, size);
    Write32(zip, where.localHeader + 22, size);
}

void SetCompressionMethod(std::string& zip, std::size_t entry, std::uint16_t method)
{
    const ZipEntryBytes where = EntryAt(zip, entry);
    for (const std::size_t at : {where.centralHeader + 10, where.localHeader + 8}) {
        zip[at] = static_cast<char>(method & 0xFF);
        zip[at + 1] = static_cast<char>(method >> 8);
    }
}

void RenameEntry(std::string& zip, std::size_t entry, std::string_view sameLengthName)
{
    const ZipEntryBytes where = EntryAt(zip, entry);
    if (sameLengthName.size() != where.nameLength) {
        throw std::invalid_argument("a new name must have the old one's length");
    }
    std::copy(sameLengthName.begin(), sameLengthName.end(), zip.begin() + static_cast<long>(where.centralHeader + 46));
    std::copy(sameLengthName.begin(), sameLengthName.end(), zip.begin() + static_cast<long>(where.localHeader + 30));
}

void RepeatCentralEntry(std::string& zip, std::size_t entry, std::size_t copies)
{
    const ZipEntryBytes where = EntryAt(zip, entry);
    const std::size_t length =
        46 + where.nameLength + Read16(zip, where.centralHeader + 30) + Read16(zip, where.centralHeader + 32);
    const std::string record = zip.substr(where.centralHeader, length);
    std::size_t end = zip.size() - 22;
    while (Read32(zip, end) != 0x06054b50) {
        --end;
    }
    const std::size_t count = Read16(zip, end + 10) + copies;
    if (count > 0xFFFF) {
        throw std::invalid_argument("more entries than a ZIP without ZIP64 holds");
    }
    std::string repeated;
    for (std::size_t i = 0; i < copies; ++i) {
        repeated += record;
    }
    zip.insert(end, repeated);
    end += repeated.size();
    for (const std::size_t field : {end + 8, end + 10}) {
        zip[field] = static_cast<char>(count & 0xFF);
        zip[field + 1] = static_cast<char>(count >> 8);
    }
    Write32(zip, end + 12, static_cast<std::uint32_t>(Read32(zip, end + 12) + repeated.size()));
}

DeflatedZeros DeflateZeros(std::uint64_t mebibytes)
{
    const std::string zeros(std::size_t{1} << 20, '\0');
    z_stream stream{};
    if (deflateInit2(&stream, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2 failed");
    }
    std::string chunk(zeros.size(), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
    stream.avail_in = static_cast<uInt>(zeros.size());
    stream.next_out = reinterpret_cast<Bytef*>(chunk.data());
    stream.avail_out = static_cast<uInt>(chunk.size());
    // A full flush ends the chunk on a byte boundary with nothing referring back past it, so
    // that copies of it follow one another as one stream.
    const int result = deflate(&stream, Z_FULL_FLUSH);
    chunk.resize(chunk.size() - stream.avail_out);
    deflateEnd(&stream);
    if (result != Z_OK || stream.avail_in != 0) {
        throw std::runtime_error("deflating zeros failed");
    }
    DeflatedZeros out;
    out.deflated.reserve(chunk.size() * mebibytes + 2);
    const uLong chunkCrc = crc32(0, reinterpret_cast<const Bytef*>(zeros.data()), static_cast<uInt>(zeros.size()));
    uLong crc = 0;
    for (std::uint64_t i = 0; i < mebibytes; ++i) {
        out.deflated += chunk;
        crc = crc32_combine(crc, chunkCrc, static_cast<z_off_t>(zeros.size()));
    }
    out.deflated += std::string("\x03\x00", 2);  // the final block: fixed codes, end of block only
    out.crc = static_cast<std::uint32_t>(crc);
    return out;
}

}  // namespace tenvor::gen

namespace tenvor::gen {

namespace {

// Appends the value's count low bytes, least significant first.
void Append(std::string& bytes, std::uint64_t value, int count)
{
    for (int i = 0; i < count; ++i) {
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

}  // namespace

std::string SharedEntryArchive(std::string_view name, std::string_view data, std::uint64_t count)
{
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
    const std::uint16_t utf8Flag = 0x0800;
    std::string zip;
    Append(zip, 0x04034b50, 4);
    for (const std::uint64_t field : {std::uint64_t{20}, std::uint64_t{utf8Flag}, std::uint64_t{0}, std::uint64_t{0},
                                      std::uint64_t{kEntryDosDate}}) {
        Append(zip, field, 2);
    }
    Append(zip, crc, 4);
    Append(zip, data.size(), 4);
    Append(zip, data.size(), 4);
    Append(zip, name.size(), 2);
    Append(zip, 0, 2);
    zip += name;
    zip += data;

    std::string record;
    Append(record, 0x02014b50, 4);
    for (const std::uint64_t field : {std::uint64_t{45}, std::uint64_t{20}, std::uint64_t{utf8Flag}, std::uint64_t{0},
                                      std::uint64_t{0}, std::uint64_t{kEntryDosDate}}) {
        Append(record, field, 2);
    }
    Append(record, crc, 4);
    Append(record, data.size(), 4);
    Append(record, data.size(), 4);
    Append(record, name.size(), 2);
    Append(record, 0, 2 * 4);  // extra field, comment, disk, internal attributes
    Append(record, 0, 4);      // external attributes
    Append(record, 0, 4);      // the one local header, at the start
    record += name;

    const std::uint64_t directoryAt = zip.size();
    zip.reserve(zip.size() + record.size() * count + 98);
    for (std::uint64_t i = 0; i < count; ++i) {
        zip += record;
    }
    const std::uint64_t directoryBytes = record.size() * count;
    const bool zip64 = count >= 0xFFFF;
    if (zip64) {
        const std::uint64_t recordAt = zip.size();
        Append(zip, 0x06064b50, 4);
        Append(zip, 44, 8);
        Append(zip, 45, 2);
        Append(zip, 45, 2);
        Append(zip, 0, 4 * 2);
        Append(zip, count, 8);
        Append(zip, count, 8);
        Append(zip, directoryBytes, 8);
        Append(zip, directoryAt, 8);
        Append(zip, 0x07064b50, 4);
        Append(zip, 0, 4);
        Append(zip, recordAt, 8);
        Append(zip, 1, 4);
    }
    Append(zip, 0x06054b50, 4);
    Append(zip, 0, 2 * 2);
    Append(zip, zip64 ? 0xFFFF : count, 2);
    Append(zip, zip64 ? 0xFFFF : count, 2);
    Append(zip, directoryBytes, 4);
    Append(zip, directoryAt, 4);
    Append(zip, 0, 2);
    return zip;
}

}  // namespace tenvor::gen
