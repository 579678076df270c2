#include "cli/ConvertCommand.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "cli/ConsoleObserver.h"
#include "cli/ConsoleOutput.h"
#include "diag/ErrorReport.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"
#include "run/TenvorEngine.h"
#include "shared/OneLineText.h"
#include "state/RunSummary.h"

namespace tenvor::cli {

namespace {

// The line of a refusal the messages have not told already: an output folder that cannot be
// used, or a workbook that would replace a file or has no folder, refused before anything is
// read or created, the log included (a mistyped folder is not a failure of every file).
std::optional<std::string> RefusalLine(const RunSummary& summary)
{
    if (!summary.refusal) {
        return std::nullopt;
    }
    switch (summary.refusal->reason) {
        case RefusalReason::OutputFolderMissing:
            return "the output folder " + OneLineText(summary.refusal->path) + " does not exist";
        case RefusalReason::OutputFolderNotFolder:
            return "the output folder " + OneLineText(summary.refusal->path) + " is not a folder";
        case RefusalReason::WorkbookExists:
            return "the workbook " + OneLineText(summary.refusal->path) + " already exists";
        case RefusalReason::WorkbookFolderMissing:
            return "the folder of the workbook " + OneLineText(summary.refusal->path) + " does not exist";
        case RefusalReason::WorkbookFolderNotFolder:
            return "the folder of the workbook " + OneLineText(summary.refusal->path) + " is not a folder";
        default:
            return std::nullopt;  // the message of the form file, the input or the log has said it
    }
}

// "U+20BB7": the code point in upper-case hexadecimal, at least four digits.
std::string CodePointText(char32_t character)
{
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(character));
    return text;
}

// The line of a file written with characters replaced: the file, then each character (made
// visible, as a path is) with its code point, such as
// "a.xml: 1 character not in Shift_JIS written as "?": 𠮷 (U+20BB7)".
std::string ReplacedCharactersText(const ReplacedCharactersFile& file)
{
    std::string line = OneLineText(file.filePath) + ": " + std::to_string(file.count) +
                       (file.count == 1 ? " character" : " characters") + " not in Shift_JIS written as \"?\": ";
    for (std::size_t i = 0; i < file.characters.size(); ++i) {
        std::string character;
        AppendUtf8(character, file.characters[i]);
        line += (i > 0 ? ", " : "") + OneLineText(character) + " (" + CodePointText(file.characters[i]) + ")";
    }
    if (file.count > file.characters.size()) {
        line += " and " + std::to_string(file.count - file.characters.size()) + " more";
    }
    return line;
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

    RunRequest request;
    for (const std::string& path : options.paths) {
        const bool folderMode = options.folderMode ? *options.folderMode : IsDirectory(path);
        request.inputs.push_back({folderMode ? InputMode::Folder : InputMode::File, path});
    }
    request.recursive = options.recursive;
    request.outputFolder = options.outputFolder;
    request.refuseUnusableOutputFolder = true;
    request.encoding = options.encoding;
    request.skipExistingQuietly = options.skipExisting;
    request.workbookPath = options.workbookPath;

    const RunSummary summary = engine.RunAlone(request);
    console.FinishCounter();

    if (const std::optional<std::string> refusal = RefusalLine(summary)) {
        Write(Stream::Err, "tenvor-cli: " + *refusal + "\n");
    }

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
        report += MessageText(*summary.completion);
    }
    report += "\n";
    Write(Stream::Out, report);
    FinishOutput();  // the report before the summary, where both go to one terminal
    std::string replaced;
    for (const ReplacedCharactersFile& file : summary.replacedCharacters) {
        replaced += "tenvor-cli: " + ReplacedCharactersText(file) + "\n";
    }
    std::string counts = std::to_string(summary.converted) + " converted, " + std::to_string(summary.skippedExisting) +
                         " skipped (CSV exists), " + std::to_string(summary.failed) + " failed";
    if (summary.otherDocuments > 0) {
        counts += ", " + std::to_string(summary.otherDocuments) + " other documents";
    }
    if (!summary.replacedCharacters.empty()) {
        counts += ", " + std::to_string(summary.replacedCharacters.size()) + " with replaced characters";
    }
    Write(Stream::Err, replaced + counts + "\n");
    return summary.errors.empty() ? ExitStatus::Clean : ExitStatus::CompletedWithErrors;
}

}  // namespace tenvor::cli
