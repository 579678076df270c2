#include "platform/FolderListing.h"

#include <algorithm>

namespace tenvor {

bool HasExtension(std::string_view name, std::string_view lowerExtension)
{
    if (name.size() < lowerExtension.size()) {
        return false;
    }
    const std::string_view tail = name.substr(name.size() - lowerExtension.size());
    for (std::size_t i = 0; i < tail.size(); ++i) {
        char c = tail[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != lowerExtension[i]) {
            return false;
        }
    }
    return true;
}

bool HasXmlExtension(std::string_view name)
{
    return HasExtension(name, ".xml");
}

bool HasZipExtension(std::string_view name)
{
    return HasExtension(name, ".zip");
}

std::vector<std::string> OldestFirst(std::vector<ListedFile> files, std::vector<std::string> unexaminable)
{
    // Name order first (the paths share their folder), so that files with equal times come in a
    // reproducible order whatever order the system listed them in.
    std::sort(files.begin(), files.end(), [](const ListedFile& a, const ListedFile& b) { return a.path < b.path; });
    std::stable_sort(files.begin(), files.end(),
                     [](const ListedFile& a, const ListedFile& b) { return a.lastWrite < b.lastWrite; });
    std::sort(unexaminable.begin(), unexaminable.end());
    std::vector<std::string> paths;
    paths.reserve(files.size() + unexaminable.size());
    for (ListedFile& file : files) {
        paths.push_back(std::move(file.path));
    }
    for (std::string& path : unexaminable) {
        paths.push_back(std::move(path));
    }
    return paths;
}

}  // namespace tenvor
