#include "package/PackageReader.h"

#include <utility>
#include <vector>

#include "package/PackageWalk.h"
#include "platform/ZipArchive.h"

namespace tenvor {

namespace {

// An archive open on the way to the items being read: the package, or a nested ZIP read from
// the archive before it. An archive that could not be opened keeps why.
struct OpenLevel {
    std::optional<ZipArchive> archive;
    std::optional<ItemFault> failure;
    EntryMark openedFrom;  // the entry of the archive before it (unused for the package)
};

PackageContent FaultContent(const ItemFault& fault)
{
    PackageContent content;
    content.fault = fault.fault;
    content.faultDetail = fault.detail;
    return content;
}

// The fault of a package that cannot be opened again: it was there and readable when listed.
ItemFault ReopeningFault(const ZipError& error)
{
    switch (error.fault) {
        case ZipFault::FileMissing:
            return {PackageFault::PackageVanished, error.message};
        case ZipFault::NotAZip:
            return {PackageFault::PackageChanged, error.message};
        default:
            return ItemFaultOf(error);
    }
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
        ZipResult<ZipArchive> archive = bytes ? ZipArchive::OpenBytes(*bytes) : ZipArchive::OpenFile(path);
        if (!archive.ok()) {
            level.failure = ReopeningFault(archive.error());
        } else if (archive.value().Stamp() != stamp) {
            level.failure =
                ItemFault{PackageFault::PackageChanged, "size or last-write time differ from the listing's"};
        } else {
            level.archive = std::move(archive.value());
        }
        levels.push_back(std::move(level));
    }

    // The entry of the archive, provided it is still the one listed.
    std::optional<ItemFault> CheckEntry(ZipArchive& archive, const EntryMark& mark, ZipEntry& entry)
    {
        ZipResult<ZipEntry> found = archive.Entry(mark.index);
        if (!found.ok()) {
            return ItemFault{PackageFault::PackageChanged, found.error().message};
        }
        if (MarkOf(mark.index, found.value()) != mark) {
            return ItemFault{PackageFault::PackageChanged, "the entry differs from the listing's"};
        }
        entry = std::move(found.value());
        return std::nullopt;
    }

    // Opens the nested ZIPs on the way to the item (keeping those already open); the archive
    // that holds the member, or why it cannot be had.
    std::optional<ItemFault> OpenWayTo(const std::vector<EntryMark>& location)
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
            level.failure = OpenNested(*parent.archive, mark, level);
            levels.push_back(std::move(level));
        }
        return levels[location.size() - 1].failure;
    }

    std::optional<ItemFault> OpenNested(ZipArchive& parent, const EntryMark& mark, OpenLevel& level)
    {
        ZipEntry entry;
        if (std::optional<ItemFault> changed = CheckEntry(parent, mark, entry)) {
            return changed;
        }
        ZipResult<std::string> content = budget.Read(parent, mark.index, entry);
        if (!content.ok()) {
            return ItemFaultOf(content.error());
        }
        ZipResult<ZipArchive> nested = ZipArchive::OpenBytes(std::move(content.value()));
        if (!nested.ok()) {
            return ItemFaultOf(nested.error());
        }
        level.archive = std::move(nested.value());
        return std::nullopt;
    }

    PackageContent Read(const PackageItem& item)
    {
        if (item.location.empty()) {
            return FaultContent({item.fault.value_or(PackageFault::NotAZip), item.faultDetail});
        }
        // A package that changed or went away fails every item; otherwise what the listing
        // refused stays refused, without reading anything on the way to it.
        OpenPackage();
        if (levels[0].failure) {
            return FaultContent(*levels[0].failure);
        }
        if (item.fault) {
            return FaultContent({*item.fault, item.faultDetail});
        }
        if (std::optional<ItemFault> failure = OpenWayTo(item.location)) {
            return FaultContent(*failure);
        }
        ZipArchive& archive = *levels[item.location.size() - 1].archive;
        ZipEntry entry;
        if (std::optional<ItemFault> changed = CheckEntry(archive, item.location.back(), entry)) {
            return FaultContent(*changed);
        }
        ZipResult<std::string> content = budget.Read(archive, item.location.back().index, entry);
        if (!content.ok()) {
            return FaultContent(ItemFaultOf(content.error()));
        }
        PackageContent read;
        read.bytes = std::move(content.value());
        return read;
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

PackageContent PackageReader::Read(const PackageItem& item)
{
    return state_->Read(item);
}

}  // namespace tenvor
