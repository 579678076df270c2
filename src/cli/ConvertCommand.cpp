#include "cli/ConvertCommand.h"

#include <algorithm>
#include <cctype>

#include "cli/ConsoleObserver.h"
#include "cli/ConsoleOutput.h"
#include "diag/ErrorReport.h"
#include "platform/FileSystem.h"
#include "run/TenvorEngine.h"
#include "shared/OneLineText.h"
#include "workbook/WorkbookTarget.h"

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
    ConsoleObserver console;
    TenvorEngine engine(console);  // reads the form files
    // A form file that is not right refuses the run with its one line, before anything else is
    // looked at: the engine's refusal, without the start that would show the message twice.
    if (!engine.FormFolderProblem().empty()) {
        static_cast<void>(engine.Run(RunRequest{}));
        return ExitStatus::RefusedOrStopped;
    }
    // Refused before anything is read or created, the log included: a mistyped folder is not a
    // failure of every file.
    if (const std::optional<std::string> problem = OutputFolderProblem(options.outputFolder)) {
        Write(Stream::Err, "tenvor-cli: " + *problem + "\n");
        return ExitStatus::RefusedOrStopped;
    }
    if (!options.workbookPath.empty()) {
        if (const std::optional<WorkbookTargetProblem> problem = CheckWorkbookTarget(options.workbookPath)) {
            Write(Stream::Err, "tenvor-cli: " + WorkbookTargetLine(options.workbookPath, *problem) + "\n");
            return ExitStatus::RefusedOrStopped;
        }
    }

    RunRequest request;
    for (const std::string& path : options.paths) {
        const bool folderMode = options.folderMode ? *options.folderMode : IsDirectory(path);
        request.inputs.push_back({folderMode ? InputMode::Folder : InputMode::File, path});
    }
    request.recursive = options.recursive;
    request.outputFolder = options.outputFolder;
    request.encoding = options.encoding;
    request.skipExistingQuietly = options.skipExisting;
    request.workbookPath = options.workbookPath;

    engine.Start();
    const RunSummary summary = engine.Run(request);
    console.FinishCounter();
    engine.Finish();

    if (!summary.writeFailure.empty()) {
        Write(Stream::Err, "tenvor-cli: cannot write " + OneLineText(summary.writeFailure) + "\n");
    }
    if (summary.outcome != RunOutcome::Completed) {
        return ExitStatus::RefusedOrStopped;
    }
    // The failed files as the window lists them: newest first, numbered from 1.
    std::string report;
    for (const ErrorReportRow& row : ErrorReportRows(summary.errors)) {
        report += row.number + "\t" + row.errorText + "\t" + row.filePath + "\t" + row.reason + "\n";
    }
    if (summary.completion) {
        report += summary.completion->text;
    }
    report += "\n";
    Write(Stream::Out, report);
    FinishOutput();  // the report before the summary, where both go to one terminal
    std::string counts = std::to_string(summary.converted) + " converted, " + std::to_string(summary.skippedExisting) +
                         " skipped (CSV exists), " + std::to_string(summary.failed) + " failed";
    if (summary.otherDocuments > 0) {
        counts += ", " + std::to_string(summary.otherDocuments) + " other documents";
    }
    Write(Stream::Err, counts + "\n");
    return summary.errors.empty() ? ExitStatus::Clean : ExitStatus::CompletedWithErrors;
}

}  // namespace tenvor::cli
