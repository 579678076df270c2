#include "package/PackageReader.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "package/PackageWalk.h"
#include "package/ZipArchive.h"

namespace tenvor {

namespace {

// An archive open on the way to the items being read: the package, or a nested ZIP read from
// the archive before it. An archive that could not be opened keeps why.
struct OpenLevel {
    std::optional<ZipArchive> archive;
    std::optional<PackageFault> failure;
    EntryMark openedFrom;  // the entry of the archive before it (unused for the package)
};

// The fault of a package that cannot be opened again: it was there and readable when listed.
PackageFault ReopeningFault(PackageFault fault)
{
    if (fault.kind == PackageFaultKind::PackageMissing) {
        fault.kind = PackageFaultKind::PackageVanished;
    } else if (fault.kind == PackageFaultKind::NotAZip) {
        fault.kind = PackageFaultKind::PackageChanged;
    }
    return fault;
}

// The listed package opened again: the same file as listed, or why it cannot be had.
PackageResult<ZipArchive> OpenListedPackage(const std::string& path, const std::shared_ptr<const std::string>& bytes,
                                            const std::optional<FileStamp>& stamp)
{
    PackageResult<ZipArchive> archive = bytes ? ZipArchive::OpenBytes(bytes) : ZipArchive::OpenFile(path);
    if (!archive) {
        return Unexpected{ReopeningFault(archive.error())};
    }
    if (archive->Stamp() != stamp) {
        return PackageFailure(PackageFaultKind::PackageChanged, "size or last-write time differ from the listing's");
    }
    return archive;
}

}  // namespace

struct PackageReader::State {
    explicit State(const PackageListing& listing)
        : path(listing.path),
          bytes(listing.bytes),
          stamp(listing.stamp),
          budget(listing.bytes ? listing.bytes->size()
                               : static_cast<std::uint64_t>(listing.stamp ? listing.stamp->size : 0))
    {
    }

    // Opens the package once, on first need.
    void OpenPackage()
    {
        if (!levels.empty()) {
            return;
        }
        OpenLevel level;
        PackageResult<ZipArchive> archive = OpenListedPackage(path, bytes, stamp);
        if (archive) {
            level.archive = std::move(*archive);
        } else {
            level.failure = archive.error();
        }
        levels.push_back(std::move(level));
    }

    // The entry of the archive, provided it is still the one listed.
    static PackageResult<ZipEntry> CheckEntry(const ZipArchive& archive, const EntryMark& mark)
    {
        PackageResult<ZipEntry> found = archive.Entry(mark.index);
        if (!found) {
            return PackageFailure(PackageFaultKind::PackageChanged, found.error().detail);
        }
        if (MarkOf(mark.index, *found) != mark) {
            return PackageFailure(PackageFaultKind::PackageChanged, "the entry differs from the listing's");
        }
        return found;
    }

    // Opens the nested ZIPs on the way to the item (keeping those already open); the archive
    // that holds the member, or why it cannot be had.
    std::optional<PackageFault> OpenWayTo(const std::vector<EntryMark>& location)
    {
        OpenPackage();
        for (std::size_t depth = 1; depth < location.size(); ++depth) {
            const EntryMark& mark = location[depth - 1];
            if (levels.size() > depth && levels[depth].openedFrom == mark) {
                continue;
            }
            levels.resize(depth);
            OpenLevel& parent = levels[depth - 1];
            if (parent.failure) {
                return parent.failure;
            }
            OpenLevel level;
            level.openedFrom = mark;
            PackageResult<ZipArchive> nested = OpenNested(*parent.archive, mark);
            if (nested) {
                level.archive = std::move(*nested);
            } else {
                level.failure = nested.error();
            }
            levels.push_back(std::move(level));
        }
        return levels[location.size() - 1].failure;
    }

    PackageResult<ZipArchive> OpenNested(ZipArchive& parent, const EntryMark& mark)
    {
        PackageResult<std::string> content = ReadEntry(parent, mark);
        if (!content) {
            return Unexpected{content.error()};
        }
        return ZipArchive::OpenBytes(std::move(*content));
    }

    // The entry's content, provided it is still the one listed.
    PackageResult<std::string> ReadEntry(ZipArchive& archive, const EntryMark& mark)
    {
        PackageResult<ZipEntry> entry = CheckEntry(archive, mark);
        if (!entry) {
            return Unexpected{entry.error()};
        }
        return budget.Read(archive, mark.index, *entry);
    }

    // The way to the item: the fault that prevents reading it, if any.
    std::optional<PackageFault> Prepare(const PackageItem& item)
    {
        if (item.location.empty()) {
            return item.fault.value_or(PackageFault{});
        }
        // A package that changed or went away fails every item; otherwise what the listing
        // refused stays refused, without reading anything on the way to it.
        OpenPackage();
        if (levels[0].failure) {
            return *levels[0].failure;
        }
        if (item.fault) {
            return *item.fault;
        }
        return OpenWayTo(item.location);
    }

    PackageResult<std::string> Read(const PackageItem& item)
    {
        PackageResult<ClaimedMember> claimed = Claim(item);
        if (!claimed) {
            return Unexpected{std::move(claimed.error())};
        }
        return Read(*claimed);
    }

    PackageResult<std::string> Read(const ClaimedMember& member)
    {
        ZipArchive& archive = *levels[member.depth].archive;
        return InflateBudget::Outcome(archive.Read(member.index, member.limits), member.limits);
    }

    PackageResult<ClaimedMember> Claim(const PackageItem& item)
    {
        if (std::optional<PackageFault> failure = Prepare(item)) {
            return Unexpected{std::move(*failure)};
        }
        const ZipArchive& archive = *levels[item.location.size() - 1].archive;
        const EntryMark& mark = item.location.back();
        PackageResult<ZipEntry> entry = CheckEntry(archive, mark);
        if (!entry) {
            return Unexpected{entry.error()};
        }
        PackageResult<ZipReadLimits> limits = budget.Claim(*entry);
        if (!limits) {
            return Unexpected{limits.error()};
        }
        return ClaimedMember{path,       stamp,  archive.Bytes(), archive.DirectoryBytes(), item.location.size() - 1,
                             mark.index, *limits};
    }

    std::optional<PackageFault> ReadInPieces(const PackageItem& item,
                                             const std::function<void(ZipArchive::EntryReader&)>& consume, bool again)
    {
        if (std::optional<PackageFault> failure = Prepare(item)) {
            return failure;
        }
        ZipArchive& archive = *levels[item.location.size() - 1].archive;
        const EntryMark& mark = item.location.back();
        PackageResult<ZipEntry> entry = CheckEntry(archive, mark);
        if (!entry) {
            return entry.error();
        }
        const InflateBudget before = budget;
        PackageResult<std::unique_ptr<ZipArchive::EntryReader>> reader = budget.Open(archive, mark.index, *entry);
        std::optional<PackageFault> fault;
        if (!reader) {
            fault = reader.error();
        } else {
            consume(**reader);
            (*reader)->Finish();
            fault = budget.Charge(**reader, *entry);
        }
        if (again) {
            budget = before;
        }
        return fault;
    }

    std::string path;
    std::shared_ptr<const std::string> bytes;
    std::optional<FileStamp> stamp;
    InflateBudget budget;
    std::vector<OpenLevel> levels;  // [0] the package, [k] the nested ZIP at depth k + 1
};

PackageReader::PackageReader(const PackageListing& listing) : state_(std::make_unique<State>(listing)) {}
PackageReader::~PackageReader() = default;
PackageReader::PackageReader(PackageReader&&) noexcept = default;

PackageResult<std::string> PackageReader::Read(const PackageItem& item)
{
    return state_->Read(item);
}

PackageResult<ClaimedMember> PackageReader::Claim(const PackageItem& item)
{
    return state_->Claim(item);
}

PackageResult<std::string> PackageReader::Read(const ClaimedMember& member)
{
    return state_->Read(member);
}

std::optional<PackageFault> PackageReader::ReadInPieces(const PackageItem& item,
                                                        const std::function<void(ZipArchive::EntryReader&)>& consume,
                                                        bool again)
{
    return state_->ReadInPieces(item, consume, again);
}

bool ClaimedMemberReader::HasOpen(const ClaimedMember& member) const
{
    if (!archive_ && !failure_) {
        return false;
    }
    if (member.archiveBytes || openBytes_) {
        return member.archiveBytes == openBytes_;
    }
    return member.packagePath == openPath_ && member.stamp == openStamp_;
}

void ClaimedMemberReader::CloseIfUnshared()
{
    // Held here and by the archive itself, if it opened.
    if (openBytes_ && openBytes_.use_count() <= (archive_ ? 2 : 1)) {
        archive_.reset();
        failure_.reset();
        openBytes_.reset();
    }
}

PackageResult<std::string> ClaimedMemberReader::Read(const ClaimedMember& member)
{
    if (!HasOpen(member)) {
        archive_.reset();
        failure_.reset();
        // A nested ZIP in memory was read from the package as listed; the package file itself
        // must still be the one listed.
        PackageResult<ZipArchive> archive = member.archiveBytes
                                                ? ZipArchive::OpenBytes(member.archiveBytes)
                                                : OpenListedPackage(member.packagePath, nullptr, member.stamp);
        if (archive) {
            archive_ = std::move(*archive);
        } else {
            failure_ = archive.error();
        }
        openPath_ = member.packagePath;
        openStamp_ = member.stamp;
        openBytes_ = member.archiveBytes;
    }
    if (failure_) {
        return Unexpected{*failure_};
    }
    return InflateBudget::Outcome(archive_->Read(member.index, member.limits), member.limits);
}

}  // namespace tenvor
