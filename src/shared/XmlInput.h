// One notification a run takes: a file, or an XML member of a ZIP package, with the path it is
// shown, listed and logged by and the place its CSV file goes.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tenvor {

inline constexpr std::size_t kNotInPackage = static_cast<std::size_t>(-1);

struct XmlInput {
    std::string path;        // shown, listed and logged: the file's path, or the ZIP's path and the member's
    std::string outputRoot;  // the requested output folder, or the input's own folder
    std::vector<std::string> subfolders;  // below the output root, each safe as a file name
    std::string baseName;                 // of the CSV file; empty when there is no notification to name
    // A document that is not a notification (its document element is not shaped like a form id,
    // such as a cover letter) is passed over rather than reported.
    bool passOverOtherDocuments = false;
    std::size_t package = kNotInPackage;  // the index of its package in the run's list of packages
    std::size_t item = 0;                 // its item in that package's listing
    // A subfolder that could not be listed: an input that stands for the failure.
    bool unlistedFolder = false;
};

}  // namespace tenvor
