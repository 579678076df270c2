#include "package/PackageListing.h"

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

class Lister {
public:
    Lister(std::vector<PackageItem>& items, InflateBudget& budget) : items_(items), budget_(budget) {}

    void List(ZipArchive& archive, const ArchivePlace& place)
    {
        const std::uint64_t count = archive.EntryCount();
        std::vector<ZipEntry> entries;
        entries.reserve(static_cast<std::size_t>(count));
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
            entries.push_back(std::move(*entry));
        }
        const NameEncoding unflaggedEncoding = vote.Result();
        for (std::uint64_t index = 0; index < count; ++index) {
            ListEntry(archive, place, index, entries[static_cast<std::size_t>(index)], unflaggedEncoding);
        }
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
        item.displayPath = JoinDisplayPath(place.displayPath, path.display);
        item.outputFolder.insert(item.outputFolder.end(), path.output.begin(), path.output.end() - 1);

        if (isXml) {
            item.baseName = BaseNameOf(path.output.back());
            item.fault = budget_.RefusalBeforeReading(entry);
            items_.push_back(std::move(item));
            return;
        }
        ListNestedZip(archive, place, index, entry, std::move(item), path.output.back());
    }

    void ListNestedZip(ZipArchive& archive, const ArchivePlace& place, std::uint64_t index, const ZipEntry& entry,
                       PackageItem item, const std::string& fileName)
    {
        if (place.depth >= kMaxPackageDepth) {
            AddFault(std::move(item), {PackageFaultKind::NestedTooDeep, {}});
            return;
        }
        PackageResult<std::string> content = budget_.Read(archive, index, entry);
        if (!content) {
            AddFault(std::move(item), content.error());
            return;
        }
        PackageResult<ZipArchive> nested = ZipArchive::OpenBytes(std::move(*content));
        if (!nested) {
            AddFault(std::move(item), nested.error());
            return;
        }
        ArchivePlace inner;
        inner.displayPath = item.displayPath;
        inner.outputFolder = item.outputFolder;
        inner.outputFolder.push_back(PackageFolderName(std::string_view(fileName)));
        inner.location = item.location;
        inner.depth = place.depth + 1;
        List(*nested, inner);
    }

    void AddFault(PackageItem item, PackageFault fault)
    {
        item.fault = std::move(fault);
        items_.push_back(std::move(item));
    }

    std::vector<PackageItem>& items_;
    InflateBudget& budget_;
};

void ListOpened(PackageListing& listing, PackageResult<ZipArchive>& archive, std::uint64_t packageBytes,
                const std::string& displayPath, const std::vector<std::string>& outputPrefix)
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
    Lister(listing.items, budget).List(*archive, place);
}

}  // namespace

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
                               const std::vector<std::string>& outputPrefix)
{
    PackageListing listing;
    listing.path = path;
    PackageResult<ZipArchive> archive = ZipArchive::OpenFile(path);
    std::uint64_t packageBytes = 0;
    if (archive) {
        listing.stamp = archive->Stamp();
        packageBytes = listing.stamp ? static_cast<std::uint64_t>(listing.stamp->size) : 0;
    }
    ListOpened(listing, archive, packageBytes, displayPath, outputPrefix);
    return listing;
}

PackageListing ListPackageBytes(std::shared_ptr<const std::string> bytes, const std::string& displayPath,
                                const std::vector<std::string>& outputPrefix)
{
    PackageListing listing;
    listing.bytes = std::move(bytes);
    PackageResult<ZipArchive> archive = ZipArchive::OpenBytes(*listing.bytes);
    ListOpened(listing, archive, listing.bytes->size(), displayPath, outputPrefix);
    return listing;
}

}  // namespace tenvor
