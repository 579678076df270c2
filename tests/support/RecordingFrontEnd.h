// A front end without a window, for driving runs in tests: it holds the choices a window's
// controls would hold, builds the run request from them, and records what the core reports the
// way the window shows it (counter, bar, output box, error list, message boxes), plus every
// event in order.
#pragma once

#include <array>
#include <deque>
#include <string>
#include <vector>

#include "diag/MessageCatalog.h"
#include "state/RunObserver.h"
#include "state/RunRequest.h"

namespace tenvor::test {

// A message as a front end shows it: its kind, and the caption and text the catalogue gives it.
struct ShownMessage {
    MessageKind kind = MessageKind::Error;
    std::string caption;
    std::string text;

    bool operator==(const ShownMessage&) const = default;
};

// The message as the window's box and the command line's line show it.
ShownMessage ShownMessageOf(const RunMessage& message);

// "Refused", "Stopped" or "Completed".
const char* OutcomeName(RunOutcome outcome);

class RecordingFrontEnd : public RunObserver {
public:
    using Row = std::array<std::string, 3>;

    RunRequest Request() const;

    void RunStarted(int inputCount) override;
    void CounterChanged(int done, int total) override;
    void ProgressChanged(const Progress& progress) override;
    void OutputFolderDecided(const std::string& folder) override;
    void FileFailed(const StErrorInfo& record) override;
    void MessageShown(const RunMessage& message) override;
    void RunFinished(const RunSummary& summary) override;

    // The choices.
    bool fileMode = true;
    std::string inputPath;
    std::vector<std::string> moreInputPaths;  // after inputPath, in the same mode
    bool recursive = false;
    std::string outputFolder;
    OutputEncoding encoding = OutputEncoding::ShiftJis;
    bool skipExistingQuietly = false;

    // What a window would show.
    int barMaximum = 100;
    int barPosition = 0;
    std::string counterText = "(0/0)";
    bool counterVisible = false;
    std::vector<std::string> counters;   // every counter text shown, in order
    std::deque<Row> rows;                // the error list, top row first, after a completed run
    int fitCount = 0;                    // times the list's columns were fitted
    std::vector<ShownMessage> messages;  // message boxes, the completion message included

    // Every event, as one short line each: "started 3", "counter 0/3", "bar 0/2",
    // "folder OUT", "failed KIND PATH", "message CAPTION: TEXT", "finished OUTCOME".
    std::vector<std::string> events;
};

}  // namespace tenvor::test
