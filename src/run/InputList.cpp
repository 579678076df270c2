#include "run/InputList.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <utility>

#include "diag/MessageCatalog.h"
#include "package/MemberPath.h"
#include "package/PackageLimits.h"
#include "platform/FileSystem.h"
#include "platform/FolderListing.h"

namespace tenvor {

namespace {

// A file given in file mode: an XML file (the same rule as the folder listings and the
// window's drop) or a ZIP file.
bool IsUsableFileName(const std::string& path)
{
    return HasXmlExtension(path) || IsZipInput(path);
}

}  // namespace

std::string OutputRootOf(const RunRequest& request, const RunInput& input)
{
    if (!request.outputFolder.empty()) {
        return request.outputFolder;
    }
    if (input.mode == InputMode::Folder) {
        return SplitPath(JoinPath(input.path, "x")).folder;
    }
    return SplitPath(input.path).folder;
}

std::string WorkbookPathOf(const RunRequest& request)
{
    if (!request.workbookInOutputRoot || request.workbookPath.empty()) {
        return request.workbookPath;
    }
    if (request.inputs.empty()) {
        return JoinPath(request.outputFolder, request.workbookPath);
    }
    return JoinPath(OutputRootOf(request, request.inputs.front()), request.workbookPath);
}

namespace {

class Lister {
public:
    Lister(const RunRequest& request, InputList& list) : request_(request), list_(list) {}

    void AddXmlFile(const std::string& path, const std::string& outputRoot, const std::vector<std::string>& subfolders,
                    bool passOverOtherDocuments)
    {
        XmlInput input;
        input.path = path;
        input.outputRoot = outputRoot;
        input.subfolders = subfolders;
        input.baseName = SplitPath(path).baseName;
        input.passOverOtherDocuments = passOverOtherDocuments;
        list_.inputs.push_back(std::move(input));
    }

    // The package's items; prefix is where its folder goes below the output root, its own
    // folder name last.
    void AddPackage(const std::string& path, const std::string& outputRoot, std::vector<std::string> prefix)
    {
        const SplitPathResult parts = SplitPath(path);
        prefix.push_back(PackageFolderName(parts.baseName + parts.extension));
        // The packages' items are held until the run ends: together they stay within the run's
        // limit, and a package listed when it is reached is one item saying it is not converted.
        const std::uint64_t left = kMaxListedBytesPerRun - listedBytes_;
        PackageListing listing = ListPackageFile(path, path, prefix, left);
        listedBytes_ += std::min(listing.ListedBytes(), left);
        if (left < kMaxListedBytesPerPackage && !listing.items.empty() && listing.items.back().fault &&
            listing.items.back().fault->kind == PackageFaultKind::ListingTooLarge) {
            // The run's limit was reached, not the package's: the record names the run's.
            listing.items.back().fault->limit = kMaxListedBytesPerRun;
        }
        const std::size_t package = list_.packages.size();
        for (std::size_t i = 0; i < listing.items.size(); ++i) {
            const PackageItem& item = listing.items[i];
            XmlInput input;
            input.path = item.displayPath;
            input.outputRoot = outputRoot;
            input.subfolders = item.outputFolder;
            input.baseName = item.baseName;
            input.passOverOtherDocuments = true;
            input.package = package;
            input.item = i;
            list_.inputs.push_back(std::move(input));
        }
        list_.packages.push_back(std::move(listing));
    }

    // The folder's XML files and, when recursive, its ZIP files and subfolders. False when the
    // folder cannot be listed.
    bool AddFolder(const std::string& folder, const std::string& outputRoot, const std::vector<std::string>& subfolders)
    {
        if (!request_.recursive) {
            std::optional<std::vector<std::string>> files = ListXmlFilesOldestFirst(folder);
            if (!files) {
                return false;
            }
            for (const std::string& file : *files) {
                AddXmlFile(file, outputRoot, subfolders, false);
            }
            return true;
        }
        std::optional<FolderContents> contents = ListFolderContents(folder);
        if (!contents) {
            return false;
        }
        for (const std::string& file : contents->xmlFiles) {
            AddXmlFile(file, outputRoot, subfolders, true);
        }
        for (const std::string& zip : contents->zipFiles) {
            AddPackage(zip, outputRoot, subfolders);
        }
        for (const std::string& name : contents->subfolders) {
            std::vector<std::string> below = subfolders;
            below.push_back(SanitiseFileName(name));
            const std::string path = JoinPath(folder, name);
            if (!AddFolder(path, outputRoot, below)) {
                XmlInput failed;
                failed.path = path;
                failed.unlistedFolder = true;
                list_.inputs.push_back(std::move(failed));
            }
        }
        return true;
    }

    // The output root of an input: the requested folder, else the input's own folder as the
    // CSV writer has always derived it (the folder with its final separator).
    std::string OutputRootFor(const RunInput& input) const { return OutputRootOf(request_, input); }

private:
    const RunRequest& request_;
    InputList& list_;
    std::uint64_t listedBytes_ = 0;  // by the packages' items so far
};

}  // namespace

bool IsZipInput(const std::string& path)
{
    return HasZipExtension(path);
}

std::optional<RunRefusal> CheckInputs(const RunRequest& request)
{
    for (const RunInput& input : request.inputs) {
        if (input.mode == InputMode::Folder) {
            if (!IsDirectory(input.path)) {
                return RunRefusal{RefusalReason::InputFolderMissing, input.path};
            }
            continue;
        }
        if (!PathExists(input.path)) {
            return RunRefusal{RefusalReason::InputMissing, input.path};
        }
        if (IsDirectory(input.path) || !IsUsableFileName(input.path)) {
            return RunRefusal{RefusalReason::InputNotXmlFile, input.path};
        }
    }
    return std::nullopt;
}

Expected<InputList, RunRefusal> ListInputs(const RunRequest& request)
{
    InputList list;
    Lister lister(request, list);
    for (const RunInput& input : request.inputs) {
        const std::string outputRoot = lister.OutputRootFor(input);
        if (input.mode == InputMode::Folder) {
            // A folder that cannot be listed is refused like a missing one: an empty list would
            // pass for a folder without notifications.
            if (!lister.AddFolder(input.path, outputRoot, {})) {
                return Unexpected{RunRefusal{RefusalReason::InputFolderMissing, input.path}};
            }
        } else if (IsZipInput(input.path)) {
            lister.AddPackage(input.path, outputRoot, {});
        } else {
            lister.AddXmlFile(input.path, outputRoot, {}, false);
        }
    }
    return list;
}

// The catalogue's message for an input that refuses the run.
int InputRefusalMessage(RefusalReason reason)
{
    switch (reason) {
        case RefusalReason::InputMissing:
            return kMsgXmlFileMissing;
        case RefusalReason::InputFolderMissing:
            return kMsgFolderMissing;
        default:
            return kMsgNotXmlFile;
    }
}

}  // namespace tenvor
