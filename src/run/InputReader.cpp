#include "run/InputReader.h"

#include "convert/CsvRendering.h"
#include "diag/FailureReasons.h"
#include "shared/PackageFault.h"

namespace tenvor {

namespace {

LoadFailure FailureOf(const PackageFault& fault)
{
    return {ErrorKindOf(fault.kind), false, PackageFaultReason(fault), FailureCause::Other, {}};
}

// Packages with fewer items are read by their own reader alone: opening the package once more
// for each thread would cost more than reading their members side by side saves.
constexpr std::size_t kItemsWorthReadingApart = 16;
// Members of an archive with a larger central directory are read by the package's reader too:
// each thread's reader would hold the directory once more (libzip keeps a record of every entry
// in memory). Some ten thousand entries with long names fit.
constexpr std::uint64_t kMostDirectoryBytesReadApart = std::uint64_t{2} << 20;

}  // namespace

std::size_t InputReader::Fetched::HeldBytes() const
{
    std::size_t held = bytes ? bytes->size() : 0;
    if (claimed && claimed->archiveBytes) {
        held += claimed->archiveBytes->size();
    }
    return held;
}

InputReader::InputReader(const NotificationLoader& loader, const InputList& list) : loader_(loader), list_(list) {}

InputReader::Fetched InputReader::Fetch(std::size_t index)
{
    const XmlInput& input = list_.inputs[index];
    Fetched fetched;
    if (input.unlistedFolder) {
        fetched.failure = LoadFailure{ErrorKind::FileMissing, false, UnlistedFolderReason(), FailureCause::Other, {}};
        return fetched;
    }
    if (input.package == kNotInPackage) {
        return fetched;
    }
    const PackageListing& listing = list_.packages[input.package];
    const PackageItem& item = listing.items[input.item];
    if (item.fault) {
        fetched.failure = FailureOf(*item.fault);
        return fetched;
    }
    if (openPackage_ != input.package) {
        // The packages come one after another: the last one's reader is done with.
        reader_.reset();
        reader_.emplace(listing);
        openPackage_ = input.package;
    }
    if (!item.location.empty() && item.location.back().size > kStreamedMemberBytes) {
        fetched.loaded = ReadLargeMember(item);
        return fetched;
    }
    PackageResult<ClaimedMember> claimed = reader_->Claim(item);
    if (!claimed) {
        fetched.failure = FailureOf(claimed.error());
        return fetched;
    }
    if (listing.items.size() >= kItemsWorthReadingApart && claimed->directoryBytes <= kMostDirectoryBytesReadApart) {
        fetched.claimed = std::move(*claimed);
        return fetched;
    }
    PackageResult<std::string> content = reader_->Read(*claimed);
    if (content) {
        fetched.bytes = std::move(*content);
    } else {
        fetched.failure = FailureOf(content.error());
    }
    return fetched;
}

PackageResult<std::string> InputReader::ReadClaimed(const ClaimedMember& member) const
{
    std::unique_ptr<ClaimedMemberReader> reader;
    {
        std::lock_guard lock(idleMutex_);
        if (!idleReaders_.empty()) {
            reader = std::move(idleReaders_.back());
            idleReaders_.pop_back();
        }
    }
    if (!reader) {
        reader = std::make_unique<ClaimedMemberReader>();
    }
    PackageResult<std::string> content = reader->Read(member);
    std::lock_guard lock(idleMutex_);
    idleReaders_.push_back(std::move(reader));
    // Nested ZIPs the run has passed are not kept in memory by idle readers.
    for (const std::unique_ptr<ClaimedMemberReader>& idle : idleReaders_) {
        idle->CloseIfUnshared();
    }
    return content;
}

LoadResult InputReader::ReadLargeMember(const PackageItem& item)
{
    auto sourceOf = [](ZipArchive::EntryReader& entry) {
        return XmlByteSource([&entry](char* buffer, int length) {
            return static_cast<int>(entry.Read(buffer, static_cast<std::size_t>(length)));
        });
    };
    std::optional<LoadResult> loaded;
    bool reasonWanted = false;
    if (const std::optional<PackageFault> fault = reader_->ReadInPieces(item, [&](ZipArchive::EntryReader& entry) {
            loaded.emplace(loader_.LoadFromStream(sourceOf(entry), reasonWanted));
        })) {
        return Unexpected{FailureOf(*fault)};
    }
    if (!loaded) {
        return Unexpected{FailureOf(PackageFault{})};
    }
    if (reasonWanted && !*loaded) {
        // Not well-formed: the parser's words, from the member read once more.
        std::string problem = loaded->error().reason;
        static_cast<void>(reader_->ReadInPieces(
            item,
            [&](ZipArchive::EntryReader& entry) { static_cast<void>(XmlDocument::Diagnose(sourceOf(entry), problem)); },
            true));
        loaded->error().reason = std::move(problem);
    }
    return std::move(*loaded);
}

LoadResult InputReader::Parse(std::size_t index, Fetched fetched) const
{
    LoadResult result = Read(index, std::move(fetched));
    if (result && renderAhead_ && !result->insuredData.Spilled()) {
        // Records held in memory are always read back, so the rendering cannot fail.
        RenderedCsv rendered{*renderAhead_, {}, {}};
        rendered.text = RenderCsv(*result, rendered.encoding, &rendered.replaced);
        result->rendered = std::move(rendered);
    }
    return result;
}

LoadResult InputReader::Read(std::size_t index, Fetched fetched) const
{
    if (fetched.loaded) {
        return std::move(*fetched.loaded);
    }
    if (fetched.failure) {
        return Unexpected{*fetched.failure};
    }
    if (fetched.claimed) {
        PackageResult<std::string> content = ReadClaimed(*fetched.claimed);
        if (!content) {
            return Unexpected{FailureOf(content.error())};
        }
        return loader_.LoadFromMemory(*content);
    }
    if (fetched.bytes) {
        return loader_.LoadFromMemory(*fetched.bytes);
    }
    return loader_.Load(list_.inputs[index].path, nullptr);
}

}  // namespace tenvor
