// How a run ended, and what it did: what a front end reports after the run button.
#pragma once

#include <string>

namespace tenvor {

// Choices for one run that the window does not offer.
struct RunOptions {
    // Inputs whose CSV file exists are left out quietly: no error record, no log entry. For
    // runs that pick up where an earlier one ended.
    bool skipExistingQuietly = false;
};

enum class RunOutcome {
    Refused,    // invalid input, or the log could not be written before the loop
    Stopped,    // stopped before its end: the log or a CSV file could not be written, or a
                // failure that belongs to no file
    Completed,  // every file handled; the error list and the completion message are shown
};

struct RunSummary {
    RunOutcome outcome = RunOutcome::Refused;
    int converted = 0;        // CSV files written
    int skippedExisting = 0;  // inputs left out because their CSV file exists
    int failed = 0;           // inputs with any other error record
    // When a CSV file could not be written: the file and the system's reason, such as
    // "out/a.csv: No space left on device".
    std::string writeFailure;
};

}  // namespace tenvor
