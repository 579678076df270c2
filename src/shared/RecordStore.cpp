#include "shared/RecordStore.h"

#include <cstring>

#include "platform/TempFile.h"

namespace tenvor {

namespace {

// Pieces written to and read from the scratch file.
constexpr std::size_t kFileChunkBytes = std::size_t{256} << 10;

void AppendNumber(std::string& out, std::uint32_t value)
{
    char bytes[4];
    std::memcpy(bytes, &value, sizeof bytes);
    out.append(bytes, sizeof bytes);
}

bool TakeNumber(std::string_view bytes, std::size_t& at, std::uint32_t& value)
{
    if (bytes.size() - at < sizeof value) {
        return false;
    }
    std::memcpy(&value, bytes.data() + at, sizeof value);
    at += sizeof value;
    return true;
}

// A record as the count of its values, then each value's length and bytes.
void Encode(std::string& out, const std::vector<std::string>& values)
{
    AppendNumber(out, static_cast<std::uint32_t>(values.size()));
    for (const std::string& value : values) {
        AppendNumber(out, static_cast<std::uint32_t>(value.size()));
        out += value;
    }
}

}  // namespace

RecordStore::RecordStore(std::size_t memoryBytes) : memoryBytes_(memoryBytes) {}
RecordStore::~RecordStore() = default;
RecordStore::RecordStore(RecordStore&&) noexcept = default;
RecordStore& RecordStore::operator=(RecordStore&&) noexcept = default;

bool RecordStore::Add(const std::vector<std::string>& values)
{
    if (!failure_.empty()) {
        return false;
    }
    if (file_ == nullptr && memory_.size() < memoryBytes_) {
        Encode(memory_, values);
        ++count_;
        return true;
    }
    if (file_ == nullptr) {
        auto file = std::make_unique<TempFile>();
        if (!file->Create()) {
            failure_ = file->ErrorText();
            return false;
        }
        file_ = std::move(file);
    }
    Encode(pending_, values);
    ++count_;
    return pending_.size() < kFileChunkBytes || Flush();
}

bool RecordStore::Flush()
{
    if (!file_->Append(pending_)) {
        failure_ = file_->ErrorText();
        return false;
    }
    pending_.clear();
    return true;
}

bool RecordStore::DecodeOne(std::string_view bytes, std::size_t& at, std::vector<std::string>& record)
{
    std::uint32_t count = 0;
    if (!TakeNumber(bytes, at, count)) {
        return false;
    }
    record.resize(count);
    for (std::string& value : record) {
        std::uint32_t length = 0;
        if (!TakeNumber(bytes, at, length) || bytes.size() - at < length) {
            return false;
        }
        value.assign(bytes.data() + at, length);
        at += length;
    }
    return true;
}

bool RecordStore::ReadMore(std::uint64_t& offset, std::string& window) const
{
    if (offset >= file_->Size()) {
        return true;
    }
    const std::size_t before = window.size();
    window.resize(before + kFileChunkBytes);
    const long got = file_->ReadAt(offset, window.data() + before, kFileChunkBytes);
    if (got <= 0) {
        failure_ = got < 0 ? file_->ErrorText() : "the scratch file ended early";
        window.resize(before);
        return false;
    }
    window.resize(before + static_cast<std::size_t>(got));
    offset += static_cast<std::uint64_t>(got);
    return true;
}

std::vector<std::vector<std::string>> RecordStore::All() const
{
    std::vector<std::vector<std::string>> records;
    static_cast<void>(ForEach([&](const std::vector<std::string>& record) { records.push_back(record); }));
    return records;
}

}  // namespace tenvor
