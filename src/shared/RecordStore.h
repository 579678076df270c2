// The person records of one notification, in order, without holding them all in memory: the
// first records stay in memory up to a limit, the rest go to a scratch file without a name
// (TempFile) and are read back in order, as often as needed (the CSV file, the workbook).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tenvor {

class TempFile;

class RecordStore {
public:
    // What stays in memory before records go to the scratch file.
    static constexpr std::size_t kDefaultMemoryBytes = std::size_t{2} << 20;

    RecordStore() : RecordStore(kDefaultMemoryBytes) {}
    explicit RecordStore(std::size_t memoryBytes);
    ~RecordStore();
    RecordStore(RecordStore&&) noexcept;
    RecordStore& operator=(RecordStore&&) noexcept;
    RecordStore(const RecordStore&) = delete;
    RecordStore& operator=(const RecordStore&) = delete;

    // Appends one record's values; false when the scratch file could not take them (then
    // Failure() says why and the store takes no more).
    [[nodiscard]] bool Add(const std::vector<std::string>& values);

    std::size_t Size() const { return count_; }
    bool Empty() const { return count_ == 0; }
    // The system's words for why a record could not be stored or read back; empty when none.
    const std::string& Failure() const { return failure_; }
    // Bytes held in memory.
    std::size_t MemoryBytes() const { return memory_.size() + pending_.size(); }
    // Whether some records went to the scratch file.
    bool Spilled() const { return file_ != nullptr; }

    // Calls fn(const std::vector<std::string>&) for each record in order. False when the scratch
    // file could not be read back (Failure() says why); the records before were handed over.
    template <typename Fn>
    [[nodiscard]] bool ForEach(Fn&& fn) const;

    // Every record, for checks on small notifications.
    std::vector<std::vector<std::string>> All() const;

private:
    // Decodes the complete records at the front of bytes, calling fn for each; the number of bytes
    // they took.
    template <typename Fn>
    static std::size_t DecodeRecords(std::string_view bytes, std::vector<std::string>& record, Fn& fn);
    static bool DecodeOne(std::string_view bytes, std::size_t& at, std::vector<std::string>& record);
    bool Flush();
    // Reads the scratch file's next piece after `offset` onto the end of `window`; false on an error.
    bool ReadMore(std::uint64_t& offset, std::string& window) const;

    std::size_t memoryBytes_;
    std::size_t count_ = 0;
    std::string memory_;   // the records kept in memory, encoded
    std::string pending_;  // encoded records on their way to the scratch file
    std::unique_ptr<TempFile> file_;
    mutable std::string failure_;
};

template <typename Fn>
std::size_t RecordStore::DecodeRecords(std::string_view bytes, std::vector<std::string>& record, Fn& fn)
{
    std::size_t at = 0;
    for (;;) {
        std::size_t next = at;
        if (!DecodeOne(bytes, next, record)) {
            return at;
        }
        fn(static_cast<const std::vector<std::string>&>(record));
        at = next;
    }
}

template <typename Fn>
bool RecordStore::ForEach(Fn&& fn) const
{
    std::vector<std::string> record;
    DecodeRecords(memory_, record, fn);
    if (file_ != nullptr) {
        std::uint64_t offset = 0;
        std::string window;
        for (;;) {
            const std::size_t before = window.size();
            if (!ReadMore(offset, window)) {
                return false;
            }
            if (window.size() == before) {
                break;  // the end of the file
            }
            window.erase(0, DecodeRecords(window, record, fn));
        }
    }
    DecodeRecords(pending_, record, fn);
    return true;
}

}  // namespace tenvor
