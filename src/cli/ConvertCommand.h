// "tenvor-cli convert": one run over a file or a folder, reported on standard output.
#pragma once

#include <optional>
#include <string>

#include "cli/ExitStatus.h"

namespace tenvor::cli {

struct ConvertOptions {
    std::string path;
    std::string outputFolder;        // empty: each CSV beside its XML file
    bool utf8 = false;               // Shift_JIS otherwise
    std::optional<bool> folderMode;  // unset: an existing directory means folder mode
};

// One run, its failed files and completion message on standard output.
ExitStatus RunConvert(const ConvertOptions& options);

// A path with control characters shown as escapes, so that each report line stays one line.
std::string PrintablePath(const std::string& path);

}  // namespace tenvor::cli
