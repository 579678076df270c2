// What the core reports to a front end, as it happens. The core calls these on the thread that
// runs the engine (the window runs it on a worker thread and hands the events to its own), in
// this order for one run:
//
//   RunStarted(N)                     once the input is valid and its N files are listed
//   CounterChanged(k, N)              before each file, and at the end
//   ProgressChanged(progress)         whenever the progress (done of total) changes
//   OutputFolderDecided(folder)       when the request had no output folder and the first CSV
//                                     file is written into the input's folder
//   FileFailed(record)                for each file that fails, when it fails
//   MessageShown(message)             an error message (the input refused, the log or a CSV file
//                                     not written, the run stopped); may come at any point,
//                                     also before RunStarted and outside runs
//   RunFinished(summary)              last, for every run: outcome, what refused it, counts,
//                                     the error records and, when it completed, the completion
//                                     message
//
// Every event has an empty default, so a front end implements what it shows.
#pragma once

#include <string>

#include "shared/StErrorInfo.h"
#include "state/Progress.h"
#include "state/RunMessage.h"
#include "state/RunSummary.h"

namespace tenvor {

class RunObserver {
public:
    virtual ~RunObserver() = default;

    virtual void RunStarted(int /*inputCount*/) {}
    // The counter "(done/total)".
    virtual void CounterChanged(int /*done*/, int /*total*/) {}
    virtual void ProgressChanged(const Progress& /*progress*/) {}
    virtual void OutputFolderDecided(const std::string& /*folder*/) {}
    virtual void FileFailed(const StErrorInfo& /*record*/) {}
    virtual void MessageShown(const RunMessage& /*message*/) {}
    virtual void RunFinished(const RunSummary& /*summary*/) {}
};

}  // namespace tenvor
