// "tenvor-cli convert": one run over a file or a folder, reported on standard output.
#pragma once

#include <optional>
#include <string>

namespace tenvor::cli {

struct ConvertOptions {
    std::string path;
    std::string outputFolder;        // empty: each CSV beside its XML file
    bool utf8 = false;               // Shift_JIS otherwise
    std::optional<bool> folderMode;  // unset: an existing directory means folder mode
};

// Exit status: 0 completed without error records, 1 completed with error records,
// 3 refused or stopped.
int RunConvert(const ConvertOptions& options);

// A path with control characters shown as escapes, so that each report line stays one line.
std::string PrintablePath(const std::string& path);

}  // namespace tenvor::cli
