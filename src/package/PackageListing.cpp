#include "package/PackageListing.h"

#include <algorithm>
#include <utility>

#include "package/MemberName.h"
#include "package/MemberPath.h"
#include "package/PackageLimits.h"
#include "package/PackageWalk.h"
#include "package/ZipArchive.h"
#include "platform/FileSystem.h"

namespace tenvor {

namespace {

std::string JoinDisplayPath(std::string path, const std::vector<std::string>& components)
{
    for (const std::string& component : components) {
        path += kPathSeparator;
        path += component;
    }
    return path;
}

// The name as decoded, each separator written as the system's, for showing an unsafe name.
std::string DisplayWithSeparators(std::u32string name)
{
    for (char32_t& c : name) {
        if (c == U'/' || c == U'\\') {
            c = static_cast<char32_t>(kPathSeparator);
        }
    }
    return DisplayText(name);
}

// The base name of a sanitised component that ends in ".xml".
std::string BaseNameOf(const std::string& fileName)
{
    return SanitiseFileName(std::string_view(fileName).substr(0, fileName.size() - 4));
}

std::vector<std::string> SanitisedPrefix(const std::vector<std::string>& prefix)
{
    std::vector<std::string> folder;
    for (const std::string& component : prefix) {
        if (!component.empty() && component != ".") {
            folder.push_back(SanitiseFileName(component));
        }
    }
    return folder;
}

// Where an archive stands in the package.
struct ArchivePlace {
    std::string displayPath;
    std::vector<std::string> outputFolder;  // of its members at its root
    std::vector<EntryMark> location;        // the entries of the nested ZIPs leading to it
    int depth = 1;
};

PackageFault LimitFault(PackageFaultKind kind, std::uint64_t found, std::uint64_t limit)
{
    PackageFault fault{kind, {}};
    fault.found = found;
    fault.limit = limit;
    return fault;
}

// The length of the path below the output folder of the CSV file of a member with this file
// name (".xml" and ".csv" are as long; a nested ZIP's folder is shorter than its file name).
std::uint64_t OutputPathBytes(const std::vector<std::string>& folder, const std::string& fileName)
{
    std::uint64_t length = fileName.size();
    for (const std::string& component : folder) {
        length += component.size() + 1;
    }
    return length;
}

// How much of a name too long to be used is shown.
constexpr std::size_t kShownCharactersOfLongName = 128;

class Lister {
public:
    Lister(std::vector<PackageItem>& items, InflateBudget& budget, const ArchivePlace& package,
           std::uint64_t maxListedBytes)
        : items_(items), budget_(budget), package_(package), maxListedBytes_(maxListedBytes)
    {
    }

    // Lists the package's own archive.
    void ListPackage(ZipArchive& archive)
    {
        entriesInAll_ = archive.EntryCount();
        List(archive, package_);
    }

    // The item of an archive itself (a fault on its own path).
    static PackageItem ArchiveItem(const ArchivePlace& place)
    {
        PackageItem item;
        item.displayPath = place.displayPath;
        item.outputFolder = place.outputFolder;
        item.isZip = true;
        item.location = place.location;
        return item;
    }

private:
    void List(ZipArchive& archive, const ArchivePlace& place)
    {
        // Two passes over the directory, the entries told again in the second rather than held:
        // the names of a large directory would take as much memory again as libzip's.
        const std::uint64_t count = archive.EntryCount();
        UnflaggedNameVote vote;
        for (std::uint64_t index = 0; index < count; ++index) {
            PackageResult<ZipEntry> entry = archive.Entry(index);
            if (!entry) {
                // The central directory was read at opening; an entry that cannot be told
                // leaves the rest of the archive unknown too.
                AddFault(ArchiveItem(place), {PackageFaultKind::NotAZip, entry.error().detail});
                return;
            }
            if (!entry->utf8Flag) {
                vote.Count(entry->rawName);
            }
        }
        const NameEncoding unflaggedEncoding = vote.Result();
        for (std::uint64_t index = 0; index < count && !stopped_; ++index) {
            PackageResult<ZipEntry> entry = archive.Entry(index);
            if (!entry) {
                AddFault(ArchiveItem(place), {PackageFaultKind::NotAZip, entry.error().detail});
                return;
            }
            ListEntry(archive, place, index, *entry, unflaggedEncoding);
        }
    }

    void ListEntry(ZipArchive& archive, const ArchivePlace& place, std::uint64_t index, const ZipEntry& entry,
                   NameEncoding unflaggedEncoding)
    {
        if (entry.isDirectory) {
            return;
        }
        const DecodedName name = DecodeMemberName(entry.rawName, entry.utf8Flag, unflaggedEncoding);
        const bool isXml = HasExtension(name, ".xml");
        const bool isZip = HasExtension(name, ".zip");
        if (!isXml && !isZip) {
            return;
        }
        PackageItem item;
        item.isZip = isZip;
        item.location = place.location;
        item.location.push_back(MarkOf(index, entry));
        item.outputFolder = place.outputFolder;

        if (entry.rawName.size() > kMaxMemberNameBytes) {
            // Shown shortened: the whole name would make a record of up to 64 KiB.
            item.displayPath = place.displayPath + kPathSeparator +
                               DisplayWithSeparators(name.substr(0, kShownCharactersOfLongName)) + "…";
            AddFault(std::move(item),
                     LimitFault(PackageFaultKind::NameTooLong, entry.rawName.size(), kMaxMemberNameBytes));
            return;
        }
        auto split = SplitMemberPath(name);
        if (auto* unsafe = std::get_if<UnsafeMemberPath>(&split)) {
            item.displayPath = place.displayPath + kPathSeparator + DisplayWithSeparators(name);
            AddFault(std::move(item), {PackageFaultKind::UnsafeName, unsafe->part});
            return;
        }
        const MemberPath& path = std::get<MemberPath>(split);
        if (path.output.empty()) {
            return;  // not reachable: the name ends with an extension
        }
        if (std::optional<PackageFault> refusal = RefusalOfPath(path)) {
            item.displayPath = JoinDisplayPath(place.displayPath, path.display);
            AddFault(std::move(item), std::move(*refusal));
            return;
        }
        item.displayPath = JoinDisplayPath(place.displayPath, path.display);
        item.outputFolder.insert(item.outputFolder.end(), path.output.begin(), path.output.end() - 1);
        if (const std::uint64_t length = OutputPathBytes(item.outputFolder, path.output.back());
            length > kMaxOutputPathBytes) {
            item.outputFolder = place.outputFolder;
            AddFault(std::move(item), LimitFault(PackageFaultKind::PathTooLong, length, kMaxOutputPathBytes));
            return;
        }

        if (isXml) {
            item.baseName = BaseNameOf(path.output.back());
            item.fault = budget_.RefusalBeforeReading(entry);
            Add(std::move(item));
            return;
        }
        ListNestedZip(archive, place, index, entry, std::move(item), path.output.back());
    }

    // Why the member's output path cannot be made: too many folders, or a folder or file name
    // longer than the file systems hold.
    static std::optional<PackageFault> RefusalOfPath(const MemberPath& path)
    {
        const std::uint64_t folders = path.output.size() - 1;
        if (folders > kMaxMemberFolders) {
            return LimitFault(PackageFaultKind::TooManyFolders, folders, kMaxMemberFolders);
        }
        for (const std::string& component : path.output) {
            if (component.size() > kMaxComponentBytes) {
                return LimitFault(PackageFaultKind::ComponentTooLong, component.size(), kMaxComponentBytes);
            }
        }
        return std::nullopt;
    }

    void ListNestedZip(ZipArchive& archive, const ArchivePlace& place, std::uint64_t index, const ZipEntry& entry,
                       PackageItem item, const std::string& fileName)
    {
        if (place.depth >= kMaxPackageDepth) {
            AddFault(std::move(item), {PackageFaultKind::NestedTooDeep, {}});
            return;
        }
        if (entry.size > kMaxNestedZipBytesHeld - nestedBytesHeld_) {
            AddFault(std::move(item), LimitFault(PackageFaultKind::NestedZipTooLarge, nestedBytesHeld_ + entry.size,
                                                 kMaxNestedZipBytesHeld));
            return;
        }
        PackageResult<std::string> content = budget_.Read(archive, index, entry);
        if (!content) {
            AddFault(std::move(item), content.error());
            return;
        }
        const std::uint64_t held = content->size();
        PackageResult<ZipArchive> nested = ZipArchive::OpenBytes(std::move(*content));
        if (!nested) {
            AddFault(std::move(item), nested.error());
            return;
        }
        const std::uint64_t count = nested->EntryCount();
        if (count > kMaxEntriesPerPackage - entriesInAll_) {
            AddFault(std::move(item),
                     LimitFault(PackageFaultKind::TooManyEntriesInAll, entriesInAll_ + count, kMaxEntriesPerPackage));
            return;
        }
        entriesInAll_ += count;
        ArchivePlace inner;
        inner.displayPath = item.displayPath;
        inner.outputFolder = item.outputFolder;
        inner.outputFolder.push_back(PackageFolderName(std::string_view(fileName)));
        inner.location = item.location;
        inner.depth = place.depth + 1;
        nestedBytesHeld_ += held;
        List(*nested, inner);
        nestedBytesHeld_ -= held;
    }

    void AddFault(PackageItem item, PackageFault fault)
    {
        item.fault = std::move(fault);
        Add(std::move(item));
    }

    // Adds the item within the package's limits of items and of their memory; past either, one
    // item on the package says the rest is not converted, and listing stops.
    void Add(PackageItem item)
    {
        const std::uint64_t bytes = item.ListedBytes();
        if (items_.size() >= kMaxRecordsPerPackage) {
            Stop(LimitFault(PackageFaultKind::TooManyRecords, items_.size(), kMaxRecordsPerPackage));
            return;
        }
        if (bytes > maxListedBytes_ - listedBytes_) {
            Stop(LimitFault(PackageFaultKind::ListingTooLarge, listedBytes_ + bytes, maxListedBytes_));
            return;
        }
        listedBytes_ += bytes;
        items_.push_back(std::move(item));
    }

    void Stop(PackageFault fault)
    {
        PackageItem rest = ArchiveItem(package_);
        rest.fault = std::move(fault);
        items_.push_back(std::move(rest));
        stopped_ = true;
    }

    std::vector<PackageItem>& items_;
    InflateBudget& budget_;
    const ArchivePlace& package_;
    const std::uint64_t maxListedBytes_;
    std::uint64_t entriesInAll_ = 0;     // of the package and the nested ZIPs listed so far
    std::uint64_t nestedBytesHeld_ = 0;  // of the nested ZIPs open on the way down
    std::uint64_t listedBytes_ = 0;      // of the items so far
    bool stopped_ = false;
};

void ListOpened(PackageListing& listing, PackageResult<ZipArchive>& archive, std::uint64_t packageBytes,
                const std::string& displayPath, const std::vector<std::string>& outputPrefix,
                std::uint64_t maxListedBytes)
{
    ArchivePlace place;
    place.displayPath = displayPath;
    place.outputFolder = SanitisedPrefix(outputPrefix);
    if (!archive) {
        PackageItem item = Lister::ArchiveItem(place);
        item.fault = archive.error();
        listing.items.push_back(std::move(item));
        return;
    }
    InflateBudget budget(packageBytes);
    Lister(listing.items, budget, place, std::min(maxListedBytes, kMaxListedBytesPerPackage)).ListPackage(*archive);
}

}  // namespace

std::uint64_t PackageItem::ListedBytes() const
{
    std::uint64_t bytes =
        sizeof(PackageItem) + displayPath.size() + baseName.size() + location.size() * sizeof(EntryMark);
    for (const std::string& component : outputFolder) {
        bytes += sizeof(std::string) + component.size();
    }
    return bytes;
}

std::uint64_t PackageListing::ListedBytes() const
{
    std::uint64_t total = 0;
    for (const PackageItem& item : items) {
        total += item.ListedBytes();
    }
    return total;
}

std::string PackageItem::OutputFolderPath() const
{
    std::string path;
    for (const std::string& component : outputFolder) {
        if (!path.empty()) {
            path += kPathSeparator;
        }
        path += component;
    }
    return path;
}

PackageListing ListPackageFile(const std::string& path, const std::string& displayPath,
                               const std::vector<std::string>& outputPrefix, std::uint64_t maxListedBytes)
{
    PackageListing listing;
    listing.path = path;
    PackageResult<ZipArchive> archive = ZipArchive::OpenFile(path);
    std::uint64_t packageBytes = 0;
    if (archive) {
        listing.stamp = archive->Stamp();
        packageBytes = listing.stamp ? static_cast<std::uint64_t>(listing.stamp->size) : 0;
    }
    ListOpened(listing, archive, packageBytes, displayPath, outputPrefix, maxListedBytes);
    return listing;
}

PackageListing ListPackageBytes(std::shared_ptr<const std::string> bytes, const std::string& displayPath,
                                const std::vector<std::string>& outputPrefix)
{
    PackageListing listing;
    listing.bytes = std::move(bytes);
    PackageResult<ZipArchive> archive = ZipArchive::OpenBytes(*listing.bytes);
    ListOpened(listing, archive, listing.bytes->size(), displayPath, outputPrefix, kMaxListedBytesPerPackage);
    return listing;
}

}  // namespace tenvor
