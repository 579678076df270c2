#include "cli/ConvertCommand.h"

#include <algorithm>
#include <cctype>

#include "cli/ConsoleOutput.h"
#include "cli/ConsoleWindowState.h"
#include "platform/FileSystem.h"
#include "run/TenvorEngine.h"
#include "shared/OneLineText.h"

namespace tenvor::cli {

namespace {

// What is wrong with the output folder, or nothing when the run can write into it.
std::optional<std::string> OutputFolderProblem(const std::string& folder)
{
    if (folder.empty()) {
        return std::nullopt;  // each CSV file beside its XML file
    }
    if (!PathExists(folder)) {
        return "the output folder " + OneLineText(folder) + " does not exist";
    }
    if (!IsDirectory(folder)) {
        return "the output folder " + OneLineText(folder) + " is not a folder";
    }
    return std::nullopt;
}

}  // namespace

std::optional<OutputEncoding> EncodingNamed(const std::string& name)
{
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const char* cp932 : {"sjis", "shift_jis", "shift-jis", "cp932", "ms932", "windows-31j"}) {
        if (lower == cp932) {
            return OutputEncoding::ShiftJis;
        }
    }
    if (lower == "utf8" || lower == "utf-8") {
        return OutputEncoding::Utf8;
    }
    return std::nullopt;
}

ExitStatus RunConvert(const ConvertOptions& options)
{
    // Refused before anything is read or created, the log included: a mistyped folder is not a
    // failure of every file.
    if (const std::optional<std::string> problem = OutputFolderProblem(options.outputFolder)) {
        Write(Stream::Err, "tenvor-cli: " + *problem + "\n");
        return ExitStatus::RefusedOrStopped;
    }

    ConsoleWindowState window;
    window.fileMode = options.folderMode ? !*options.folderMode : !IsDirectory(options.path);
    window.inputPath = options.path;
    window.outputFolder = options.outputFolder;
    window.encoding = options.encoding;

    TenvorEngine engine(window);
    engine.Start();
    RunOptions runOptions;
    runOptions.skipExistingQuietly = options.skipExisting;
    const RunSummary summary = engine.Run(runOptions);
    window.FinishCounter();
    engine.Finish();

    if (!summary.writeFailure.empty()) {
        Write(Stream::Err, "tenvor-cli: cannot write " + OneLineText(summary.writeFailure) + "\n");
    }
    if (summary.outcome != RunOutcome::Completed) {
        return ExitStatus::RefusedOrStopped;
    }
    std::string report;
    for (const auto& row : window.rows) {
        report += row[0] + "\t" + row[1] + "\t" + OneLineText(row[2]) + "\n";
    }
    report += window.completionMessage + "\n";
    Write(Stream::Out, report);
    FinishOutput();  // the report before the summary, where both go to one terminal
    Write(Stream::Err, std::to_string(summary.converted) + " converted, " + std::to_string(summary.skippedExisting) +
                           " skipped (CSV exists), " + std::to_string(summary.failed) + " failed\n");
    return engine.ErrorRecords().empty() ? ExitStatus::Clean : ExitStatus::CompletedWithErrors;
}

}  // namespace tenvor::cli
