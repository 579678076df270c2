// "tenvor-cli convert": one run over files, ZIP files and folders, reported on standard output
// and standard error.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/ExitStatus.h"
#include "shared/OutputEncoding.h"

namespace tenvor::cli {

struct ConvertOptions {
    std::vector<std::string> paths;  // XML files, ZIP files and folders, in the order given
    std::string outputFolder;        // empty: each CSV beside its XML file (or its ZIP)
    OutputEncoding encoding = OutputEncoding::ShiftJis;
    std::optional<bool> folderMode;  // unset: an existing directory means folder mode
    bool recursive = false;          // folders also give their subfolders' XML and ZIP files
    bool skipExisting = false;       // inputs whose CSV exists are left out quietly
    std::string workbookPath;        // the run's workbook (.xlsx), a new file; empty: none
};

// The encoding a name on the command line stands for, in any letter case: code page 932 for
// sjis, shift_jis, shift-jis, cp932, ms932 and windows-31j; UTF-8 for utf8 and utf-8.
std::optional<OutputEncoding> EncodingNamed(const std::string& name);

// One run. On standard output: the failed files, newest first (number, error text, path and
// reason, tab-separated), and the completion message. On
// standard error: the messages, and after a completed run one line for each file written in
// Shift_JIS with characters it lacks (the file, and each character replaced with "?" with its code
// point), then the line "N converted, M skipped (CSV exists), K failed", followed by
// ", D other documents" when documents that are not notifications were passed over and by
// ", R with replaced characters" when R files had characters replaced. Neither changes the exit
// status: the files are converted.
ExitStatus RunConvert(const ConvertOptions& options);

}  // namespace tenvor::cli
