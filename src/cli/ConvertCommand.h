// "tenvor-cli convert": one run over a file or a folder, reported on standard output and
// standard error.
#pragma once

#include <optional>
#include <string>

#include "cli/ExitStatus.h"
#include "shared/OutputEncoding.h"

namespace tenvor::cli {

struct ConvertOptions {
    std::string path;
    std::string outputFolder;  // empty: each CSV beside its XML file
    OutputEncoding encoding = OutputEncoding::ShiftJis;
    std::optional<bool> folderMode;  // unset: an existing directory means folder mode
    bool skipExisting = false;       // inputs whose CSV exists are left out quietly
};

// The encoding a name on the command line stands for, in any letter case: code page 932 for
// sjis, shift_jis, shift-jis, cp932, ms932 and windows-31j; UTF-8 for utf8 and utf-8.
std::optional<OutputEncoding> EncodingNamed(const std::string& name);

// One run. On standard output: the failed files, newest first, and the completion message. On
// standard error: the messages, and after a completed run the line
// "N converted, M skipped (CSV exists), K failed".
ExitStatus RunConvert(const ConvertOptions& options);

}  // namespace tenvor::cli
