#include "package/ZipArchive.h"

#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

namespace tenvor {

namespace {

// Owner of a libzip error record.
class ZipErrorRecord {
public:
    ZipErrorRecord() { zip_error_init(&error_); }
    ~ZipErrorRecord() { zip_error_fini(&error_); }
    ZipErrorRecord(const ZipErrorRecord&) = delete;
    ZipErrorRecord& operator=(const ZipErrorRecord&) = delete;

    zip_error_t* get() { return &error_; }

private:
    zip_error_t error_;
};

struct SourceFreer {
    void operator()(zip_source_t* source) const { zip_source_free(source); }
};
using OwnedSource = std::unique_ptr<zip_source_t, SourceFreer>;

struct EntryCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
using OwnedEntry = std::unique_ptr<zip_file_t, EntryCloser>;

// libzip's words for an error; std::bad_alloc for its allocation failures, which leave nothing
// else to report.
std::string MessageOf(zip_error_t* error)
{
    if (zip_error_code_zip(error) == ZIP_ER_MEMORY) {
        throw std::bad_alloc();
    }
    return zip_error_strerror(error);
}

// Whether the error is the system failing to read a file. Seeking a regular file fails only for
// an offset out of range, which a broken archive gives; a buffer in memory fails no read.
bool IsFileReadFailure(zip_error_t* error, bool fromFile)
{
    return fromFile && zip_error_code_zip(error) == ZIP_ER_READ;
}

// What an error of opening an archive means to the caller.
PackageFault OpenError(zip_error_t* error, bool fromFile)
{
    std::string message = MessageOf(error);
    if (IsFileReadFailure(error, fromFile)) {
        return {PackageFaultKind::ReadError, std::move(message)};
    }
    // Not a ZIP, cut short, an inconsistent central directory or offsets out of range, several
    // disks, ...
    return {PackageFaultKind::NotAZip, std::move(message)};
}

// What libzip's error of reading an entry says is wrong with it.
PackageFaultKind EntryFaultKind(zip_error_t* error)
{
    switch (zip_error_code_zip(error)) {
        case ZIP_ER_NOPASSWD:
        case ZIP_ER_WRONGPASSWD:
        case ZIP_ER_ENCRNOTSUPP:
            return PackageFaultKind::EncryptedMember;
        case ZIP_ER_COMPNOTSUPP:
            return PackageFaultKind::UnsupportedMethod;
        case ZIP_ER_CRC:
            return PackageFaultKind::CrcMismatch;
        default:
            // Broken compressed data, a broken local header (or one whose data lies outside the
            // archive: "invalid argument", a seek out of range), data ending early or running on.
            return PackageFaultKind::CorruptMember;
    }
}

// What an error of reading an entry means, before asking whether the file changed.
PackageFault EntryError(zip_error_t* error, bool fromFile)
{
    std::string message = MessageOf(error);
    if (IsFileReadFailure(error, fromFile)) {
        return {PackageFaultKind::ReadError, std::move(message)};
    }
    return {EntryFaultKind(error), std::move(message)};
}

// a * b, or the largest value when it does not fit.
std::uint64_t SaturatingProduct(std::uint64_t a, std::uint64_t b)
{
    if (a != 0 && b > std::numeric_limits<std::uint64_t>::max() / a) {
        return std::numeric_limits<std::uint64_t>::max();
    }
    return a * b;
}

// The most bytes an entry of this compressed size may inflate to under the ratio limit.
std::uint64_t RatioCap(std::uint64_t compressedSize, const ZipReadLimits& limits)
{
    return std::max(limits.ratioAppliesAboveBytes, SaturatingProduct(compressedSize, limits.maxRatio));
}

constexpr std::size_t kReadChunk = 64 * 1024;
// What is reserved for an entry's content before reading it; more comes as it arrives.
constexpr std::uint64_t kMostReservedUpFront = 16 * 1024 * 1024;

}  // namespace

struct ZipArchive::State {
    ~State()
    {
        if (archive != nullptr) {
            zip_discard(archive);  // closes the source and with it the stream
        }
    }

    std::shared_ptr<const std::string> bytes;  // the archive in memory (OpenBytes)
    std::string path;                          // the file (OpenFile)
    std::FILE* stream = nullptr;               // the file's stream, owned by libzip's source
    std::optional<FileStamp> stamp;            // the file's, as opened
    zip_t* archive = nullptr;
    std::uint64_t directoryBytes = 0;  // the central directory's size, the largest declared

    // An error of a file archive that may come from the file changing under the reader: the
    // file at the path is gone, another one, or the open one's size or time differ.
    Unexpected<PackageFault> Classified(PackageFault fault) const
    {
        const bool mayBeAChange =
            fault.kind == PackageFaultKind::ReadError || fault.kind == PackageFaultKind::CorruptMember ||
            fault.kind == PackageFaultKind::CrcMismatch || fault.kind == PackageFaultKind::NotAZip;
        if (stream != nullptr && mayBeAChange) {
            const std::optional<FileStamp> atPath = StampOfPath(path);
            if (!atPath) {
                fault.kind = PackageFaultKind::PackageVanished;
            } else if (const std::optional<FileStamp> now = StampOfStream(stream);
                       !now || *now != *stamp || atPath->volume != stamp->volume || atPath->fileId != stamp->fileId) {
                fault.kind = PackageFaultKind::PackageChanged;
            }
        }
        return Unexpected{std::move(fault)};
    }
};

ZipArchive::ZipArchive(std::unique_ptr<State> state) : state_(std::move(state)) {}
ZipArchive::ZipArchive(ZipArchive&&) noexcept = default;
ZipArchive& ZipArchive::operator=(ZipArchive&&) noexcept = default;
ZipArchive::~ZipArchive() = default;

namespace {

// The end of central directory record and the zip64 locator before it, and the zip64 record.
constexpr std::uint64_t kEndRecordBytes = 22;
constexpr std::uint64_t kZip64LocatorBytes = 20;
constexpr std::uint64_t kZip64EndRecordBytes = 56;
// Where libzip looks for the end record: the last record, the longest comment and the locator.
constexpr std::uint64_t kEndSearchBytes = kEndRecordBytes + 0xFFFF + kZip64LocatorBytes;

std::uint64_t LittleEndian(const unsigned char* bytes, int count)
{
    std::uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

bool HasSignature(const unsigned char* bytes, unsigned char third, unsigned char fourth)
{
    return bytes[0] == 'P' && bytes[1] == 'K' && bytes[2] == third && bytes[3] == fourth;
}

// An open source, closed when it goes.
class SourceReading {
public:
    explicit SourceReading(zip_source_t* source) : source_(source), open_(zip_source_open(source) == 0) {}
    ~SourceReading()
    {
        if (open_) {
            zip_source_close(source_);
        }
    }
    SourceReading(const SourceReading&) = delete;
    SourceReading& operator=(const SourceReading&) = delete;

    bool IsOpen() const { return open_; }

    std::optional<std::uint64_t> Size()
    {
        if (zip_source_seek(source_, 0, SEEK_END) != 0) {
            return std::nullopt;
        }
        const zip_int64_t size = zip_source_tell(source_);
        return size < 0 ? std::nullopt : std::optional<std::uint64_t>(static_cast<std::uint64_t>(size));
    }

    // The bytes at the offset, or fewer where the source ends.
    std::string ReadAt(std::uint64_t offset, std::uint64_t count)
    {
        std::string bytes;
        if (offset > static_cast<std::uint64_t>(std::numeric_limits<zip_int64_t>::max()) ||
            zip_source_seek(source_, static_cast<zip_int64_t>(offset), SEEK_SET) != 0) {
            return bytes;
        }
        bytes.resize(static_cast<std::size_t>(count));
        const zip_int64_t got = zip_source_read(source_, bytes.data(), count);
        bytes.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
        return bytes;
    }

private:
    zip_source_t* source_;
    bool open_;
};

struct DeclaredDirectory {
    std::uint64_t entries = 0;
    std::uint64_t bytes = 0;
};

// The largest entry count and directory size that any end record at the archive's end declares
// (libzip picks one of them), zip64 records included.
DeclaredDirectory ReadDeclaredDirectory(zip_source_t* source)
{
    DeclaredDirectory declared;
    SourceReading reading(source);
    const std::optional<std::uint64_t> size = reading.IsOpen() ? reading.Size() : std::nullopt;
    if (!size || *size < kEndRecordBytes) {
        return declared;  // opening tells what is wrong
    }
    const std::uint64_t tailStart = *size > kEndSearchBytes ? *size - kEndSearchBytes : 0;
    const std::string tail = reading.ReadAt(tailStart, *size - tailStart);
    const auto* bytes = reinterpret_cast<const unsigned char*>(tail.data());
    for (std::size_t at = tail.size() >= kEndRecordBytes ? tail.size() - kEndRecordBytes + 1 : 0; at-- > 0;) {
        if (!HasSignature(bytes + at, 5, 6)) {
            continue;
        }
        declared.entries = std::max(declared.entries, LittleEndian(bytes + at + 10, 2));
        declared.bytes = std::max(declared.bytes, LittleEndian(bytes + at + 12, 4));
        if (at < kZip64LocatorBytes || !HasSignature(bytes + at - kZip64LocatorBytes, 6, 7)) {
            continue;
        }
        const std::uint64_t recordAt = LittleEndian(bytes + at - kZip64LocatorBytes + 8, 8);
        const std::string record = reading.ReadAt(recordAt, kZip64EndRecordBytes);
        const auto* zip64 = reinterpret_cast<const unsigned char*>(record.data());
        if (record.size() == kZip64EndRecordBytes && HasSignature(zip64, 6, 6)) {
            declared.entries = std::max(declared.entries, LittleEndian(zip64 + 32, 8));
            declared.bytes = std::max(declared.bytes, LittleEndian(zip64 + 40, 8));
        }
    }
    return declared;
}

std::optional<PackageFault> RefusalOfSize(std::uint64_t entries, std::uint64_t directoryBytes,
                                          const ZipOpenLimits& limits)
{
    if (entries > limits.maxEntries) {
        PackageFault fault{PackageFaultKind::TooManyEntries, {}};
        fault.found = entries;
        fault.limit = limits.maxEntries;
        return fault;
    }
    if (directoryBytes > limits.maxDirectoryBytes) {
        PackageFault fault{PackageFaultKind::DirectoryTooLarge, {}};
        fault.found = directoryBytes;
        fault.limit = limits.maxDirectoryBytes;
        return fault;
    }
    return std::nullopt;
}

struct OpenedOnSource {
    zip_t* archive = nullptr;
    std::uint64_t directoryBytes = 0;
};

// Opens an archive on the source within the limits; the source belongs to the archive from then
// on.
PackageResult<OpenedOnSource> OpenOnSource(OwnedSource source, bool fromFile, const ZipOpenLimits& limits)
{
    const DeclaredDirectory declared = ReadDeclaredDirectory(source.get());
    if (std::optional<PackageFault> refusal = RefusalOfSize(declared.entries, declared.bytes, limits)) {
        return Unexpected{std::move(*refusal)};
    }
    ZipErrorRecord error;
    zip_t* archive = zip_open_from_source(source.get(), ZIP_RDONLY, error.get());
    if (archive == nullptr) {
        return Unexpected{OpenError(error.get(), fromFile)};  // the source is freed here
    }
    static_cast<void>(source.release());
    // Whatever the end records said, libzip's count is the one listed.
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    if (std::optional<PackageFault> refusal =
            RefusalOfSize(count < 0 ? 0 : static_cast<std::uint64_t>(count), 0, limits)) {
        zip_discard(archive);
        return Unexpected{std::move(*refusal)};
    }
    return OpenedOnSource{archive, declared.bytes};
}

}  // namespace

PackageResult<ZipArchive> ZipArchive::OpenFile(const std::string& path, const ZipOpenLimits& limits)
{
    auto opened = OpenArchiveFile(path);
    if (auto* failure = std::get_if<ArchiveFileFailure>(&opened)) {
        return PackageFailure(failure->error == ArchiveFileError::Missing ? PackageFaultKind::PackageMissing
                                                                          : PackageFaultKind::PackageUnreadable,
                              std::move(failure->message));
    }
    OpenedArchiveFile& file = std::get<OpenedArchiveFile>(opened);
    // An empty file would open as an empty archive (libzip makes new archives that way).
    if (file.stamp.size == 0) {
        return PackageFailure(PackageFaultKind::NotAZip, "empty file");
    }
    auto state = std::make_unique<State>();
    state->path = path;
    state->stamp = file.stamp;

    ZipErrorRecord error;
    OwnedSource source(zip_source_filep_create(file.stream.get(), 0, -1, error.get()));
    if (!source) {
        return Unexpected{OpenError(error.get(), true)};
    }
    state->stream = file.stream.release();  // closed with the source from now on
    PackageResult<OpenedOnSource> archive = OpenOnSource(std::move(source), true, limits);
    if (!archive) {
        return Unexpected{archive.error()};
    }
    state->archive = archive->archive;
    state->directoryBytes = archive->directoryBytes;
    return ZipArchive(std::move(state));
}

PackageResult<ZipArchive> ZipArchive::OpenBytes(std::string bytes, const ZipOpenLimits& limits)
{
    return OpenBytes(std::make_shared<const std::string>(std::move(bytes)), limits);
}

PackageResult<ZipArchive> ZipArchive::OpenBytes(std::shared_ptr<const std::string> bytes, const ZipOpenLimits& limits)
{
    if (!bytes || bytes->empty()) {
        return PackageFailure(PackageFaultKind::NotAZip, "empty");
    }
    auto state = std::make_unique<State>();
    state->bytes = std::move(bytes);
    ZipErrorRecord error;
    OwnedSource source(zip_source_buffer_create(state->bytes->data(), state->bytes->size(), 0, error.get()));
    if (!source) {
        return Unexpected{OpenError(error.get(), false)};
    }
    PackageResult<OpenedOnSource> archive = OpenOnSource(std::move(source), false, limits);
    if (!archive) {
        return Unexpected{archive.error()};
    }
    state->archive = archive->archive;
    state->directoryBytes = archive->directoryBytes;
    return ZipArchive(std::move(state));
}

std::uint64_t ZipArchive::EntryCount() const
{
    const zip_int64_t count = zip_get_num_entries(state_->archive, 0);
    return count < 0 ? 0 : static_cast<std::uint64_t>(count);
}

PackageResult<ZipEntry> ZipArchive::Entry(std::uint64_t index) const
{
    if (index >= EntryCount()) {
        return PackageFailure(PackageFaultKind::PackageChanged, "no entry " + std::to_string(index));
    }
    zip_t* archive = state_->archive;
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(archive, index, ZIP_FL_ENC_RAW, &st) != 0) {
        return Unexpected{EntryError(zip_get_error(archive), state_->stream != nullptr)};
    }
    const char* raw = zip_get_name(archive, index, ZIP_FL_ENC_RAW);
    // Strictly read, a name without the UTF-8 flag is code page 437, which libzip turns into
    // UTF-8: only a flagged name (or one of printable ASCII) comes back as its raw bytes.
    const char* strict = zip_get_name(archive, index, ZIP_FL_ENC_STRICT);
    if (raw == nullptr || strict == nullptr) {
        return Unexpected{EntryError(zip_get_error(archive), state_->stream != nullptr)};
    }
    ZipEntry entry;
    entry.rawName = raw;
    entry.utf8Flag = std::strcmp(raw, strict) == 0;
    entry.size = (st.valid & ZIP_STAT_SIZE) != 0 ? st.size : 0;
    entry.compressedSize = (st.valid & ZIP_STAT_COMP_SIZE) != 0 ? st.comp_size : 0;
    entry.crc = (st.valid & ZIP_STAT_CRC) != 0 ? st.crc : 0;
    entry.compressionMethod = (st.valid & ZIP_STAT_COMP_METHOD) != 0 ? st.comp_method : 0;
    entry.encryptionMethod = (st.valid & ZIP_STAT_ENCRYPTION_METHOD) != 0 ? st.encryption_method : 0;
    // Only '/': a code page 932 name may end with a byte 0x5C that is half of a character.
    entry.isDirectory = !entry.rawName.empty() && entry.rawName.back() == '/';
    return entry;
}

std::optional<PackageFault> ZipArchive::RefusalBeforeReading(const ZipEntry& entry, const ZipReadLimits& limits)
{
    if (entry.encryptionMethod != ZIP_EM_NONE) {
        return PackageFault{PackageFaultKind::EncryptedMember,
                            "encryption method " + std::to_string(entry.encryptionMethod)};
    }
    if (!IsSupportedCompressionMethod(entry.compressionMethod)) {
        return PackageFault{PackageFaultKind::UnsupportedMethod,
                            "compression method " + std::to_string(entry.compressionMethod)};
    }
    if (entry.size > limits.maxBytes) {
        return PackageFault{PackageFaultKind::TooLarge, "declared size " + std::to_string(entry.size)};
    }
    if (entry.size > RatioCap(entry.compressedSize, limits)) {
        return PackageFault{PackageFaultKind::RatioTooHigh, "declared size " + std::to_string(entry.size) + " from " +
                                                                std::to_string(entry.compressedSize) + " compressed"};
    }
    return std::nullopt;
}

struct ZipArchive::EntryReader::Entry {
    OwnedEntry file;
};

ZipArchive::EntryReader::EntryReader(const ZipArchive::State& archive, std::unique_ptr<Entry> entry,
                                     std::uint64_t allowed, std::uint64_t declaredSize, std::uint64_t compressedSize,
                                     const ZipReadLimits& limits)
    : archive_(archive),
      entry_(std::move(entry)),
      allowed_(allowed),
      declaredSize_(declaredSize),
      compressedSize_(compressedSize),
      limits_(limits)
{
}

ZipArchive::EntryReader::~EntryReader() = default;

long ZipArchive::EntryReader::Read(char* buffer, std::size_t length)
{
    if (fault_) {
        return -1;
    }
    if (ended_ || length == 0) {
        return 0;
    }
    // Never more than the byte limit, the ratio limit or the declared size allow; one byte past
    // the smallest of them shows which was passed.
    const std::uint64_t wanted = allowed_ - total_ >= length ? length : allowed_ - total_ + 1;
    const zip_int64_t got = zip_fread(entry_->file.get(), buffer, wanted);
    if (got < 0) {
        fault_ =
            archive_.Classified(EntryError(zip_file_get_error(entry_->file.get()), archive_.stream != nullptr)).error;
        return -1;
    }
    if (got == 0) {
        ended_ = true;  // the end, with the CRC and the size checked
        if (total_ != declaredSize_) {
            // libzip checks the CRC at the end, not always the size.
            fault_ = archive_
                         .Classified({PackageFaultKind::CorruptMember, std::to_string(total_) +
                                                                           " bytes instead of the declared " +
                                                                           std::to_string(declaredSize_)})
                         .error;
            return -1;
        }
        return 0;
    }
    total_ += static_cast<std::uint64_t>(got);
    if (total_ > allowed_) {
        const std::uint64_t ratioCap = RatioCap(compressedSize_, limits_);
        if (total_ > limits_.maxBytes) {
            fault_ =
                PackageFault{PackageFaultKind::TooLarge, "more than " + std::to_string(limits_.maxBytes) + " bytes"};
        } else if (total_ > ratioCap) {
            fault_ =
                PackageFault{PackageFaultKind::RatioTooHigh, "more than " + std::to_string(ratioCap) + " bytes from " +
                                                                 std::to_string(compressedSize_) + " compressed"};
        } else {
            fault_ = archive_
                         .Classified({PackageFaultKind::CorruptMember,
                                      "more data than the declared " + std::to_string(declaredSize_) + " bytes"})
                         .error;
        }
        return -1;
    }
    return static_cast<long>(got);
}

const std::optional<PackageFault>& ZipArchive::EntryReader::Finish()
{
    std::string rest(kReadChunk, '\0');
    while (Read(rest.data(), rest.size()) > 0) {
    }
    return fault_;
}

PackageResult<std::unique_ptr<ZipArchive::EntryReader>> ZipArchive::OpenEntry(std::uint64_t index,
                                                                              const ZipReadLimits& limits)
{
    PackageResult<ZipEntry> found = Entry(index);
    if (!found) {
        return Unexpected{found.error()};
    }
    const ZipEntry& entry = *found;
    if (std::optional<PackageFault> refusal = RefusalBeforeReading(entry, limits)) {
        return Unexpected{std::move(*refusal)};
    }
    auto file = std::make_unique<EntryReader::Entry>();
    file->file.reset(zip_fopen_index(state_->archive, index, 0));
    if (!file->file) {
        return state_->Classified(EntryError(zip_get_error(state_->archive), state_->stream != nullptr));
    }
    const std::uint64_t allowed = std::min({limits.maxBytes, RatioCap(entry.compressedSize, limits), entry.size});
    return std::unique_ptr<EntryReader>(
        new EntryReader(*state_, std::move(file), allowed, entry.size, entry.compressedSize, limits));
}

PackageResult<std::string> ZipArchive::Read(std::uint64_t index, const ZipReadLimits& limits)
{
    PackageResult<std::unique_ptr<EntryReader>> reader = OpenEntry(index, limits);
    if (!reader) {
        return Unexpected{reader.error()};
    }
    const std::uint64_t declared = (*reader)->DeclaredSize();
    std::string content;
    content.reserve(static_cast<std::size_t>(std::min(declared, kMostReservedUpFront)) + 1);
    for (;;) {
        // Room for what the entry declares and a byte more, which finds its end (or that it
        // runs on): a small member is read in two calls, without a chunk's worth to clear.
        const std::size_t total = content.size();
        const std::uint64_t left = declared > total ? declared - total : 0;
        const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(kReadChunk, left + 1));
        content.resize(total + chunk);
        const long got = (*reader)->Read(content.data() + total, chunk);
        if (got < 0) {
            return Unexpected{*(*reader)->Fault()};
        }
        content.resize(total + static_cast<std::size_t>(got));
        if (got == 0) {
            return content;
        }
    }
}

std::optional<FileStamp> ZipArchive::Stamp() const
{
    return state_->stamp;
}

const std::shared_ptr<const std::string>& ZipArchive::Bytes() const
{
    return state_->bytes;
}

std::uint64_t ZipArchive::DirectoryBytes() const
{
    return state_->directoryBytes;
}

bool IsSupportedCompressionMethod(std::uint16_t method)
{
    return method == ZIP_CM_STORE || method == ZIP_CM_DEFLATE;
}

}  // namespace tenvor
