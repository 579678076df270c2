// How a run ended and what it did: the last thing the core reports of a run.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "shared/StErrorInfo.h"
#include "state/RunMessage.h"

namespace tenvor {

enum class RunOutcome {
    Refused,    // a form file not right, an unusable output folder, invalid input, or the log
                // not written before the loop
    Stopped,    // stopped before its end: the log or a CSV file could not be written, or a
                // failure that belongs to no file
    Completed,  // every file handled
};

// What refused a run, checked in this order; the first that holds refuses it.
enum class RefusalReason {
    FormFileInvalid,          // a form file is not right (path: empty; the message tells where)
    OutputFolderMissing,      // the output folder does not exist
    OutputFolderNotFolder,    // the output folder is a file
    InputMissing,             // an XML or ZIP file given does not exist
    InputNotXmlFile,          // a file given is a folder, or neither an XML nor a ZIP file
    InputFolderMissing,       // a folder given does not exist or cannot be listed
    LogNotWritten,            // the log could not be written before the loop (path: the log)
    WorkbookExists,           // the workbook asked for would replace a file (path: the workbook)
    WorkbookFolderMissing,    // the folder the workbook would go into does not exist
    WorkbookFolderNotFolder,  // that folder is a file
};

struct RunRefusal {
    RefusalReason reason = RefusalReason::InputMissing;
    std::string path;  // what was refused

    bool operator==(const RunRefusal&) const = default;
};

// A file written in code page 932 with characters the code page lacks, each written as "?".
struct ReplacedCharactersFile {
    std::string filePath;              // the input, as the log and the error records name it
    std::vector<char32_t> characters;  // the first of them, each once, in the order they came
    std::size_t count = 0;             // how many different characters were replaced

    bool operator==(const ReplacedCharactersFile&) const = default;
};

struct RunSummary {
    RunOutcome outcome = RunOutcome::Refused;
    // Set when the outcome is Refused.
    std::optional<RunRefusal> refusal;
    int converted = 0;        // CSV files written
    int skippedExisting = 0;  // inputs left out because their CSV file exists
    int failed = 0;           // inputs with any other error record
    // Documents passed over because they are not notifications (the cover letter of a download),
    // inside ZIPs and in folders read with their subfolders.
    int otherDocuments = 0;
    // The files converted with characters replaced (Shift_JIS output only), in the order they
    // were written. Information: the files count as converted.
    std::vector<ReplacedCharactersFile> replacedCharacters;
    // When a CSV file could not be written: the file and the system's reason, such as
    // "out/a.csv: No space left on device".
    std::string writeFailure;
    // The workbook the run wrote, when it was asked for one and wrote it.
    std::string workbook;
    // The error records, in the order they were recorded (the error list shows them newest
    // first).
    std::vector<StErrorInfo> errors;
    // A completed run's completion message ("処理が完了しました。", with the number of errors when
    // there are any), to be shown once the error list is filled.
    std::optional<RunMessage> completion;
};

}  // namespace tenvor
