// The window's side of a run: the engine, the queue that brings what it reports to the window's
// thread, the worker thread a run goes on, and whether one is in progress. The window asks it to
// run a request and renders the events it hands on.
#pragma once

#include <string>

#include "run/FormDraftSaving.h"
#include "run/TenvorEngine.h"
#include "state/RunObserver.h"
#include "state/RunRequest.h"
#include "state/RunSummary.h"
#include "ui/RunEventQueue.h"

namespace tenvor {

class WindowRun {
public:
    // window shows the events, on the thread that creates this object; appFolder holds the
    // settings, the log and the forms folder, empty meaning the standard folder.
    WindowRun(RunObserver& window, std::string appFolder);
    WindowRun(const WindowRun&) = delete;
    WindowRun& operator=(const WindowRun&) = delete;

    // Runs the request on a worker thread. This thread keeps the window drawn and answering the
    // system, and shows what the run reports; user input waits until the run has ended.
    RunSummary Run(const RunRequest& request);

    // Saves a draft as its form file between runs, then has the engine read the forms folder
    // again, so that the next run converts with it. Refused while a run is in progress.
    Expected<SavedDraft, DraftRefusal> SaveDraft(const FormDraft& draft, const DraftTarget& target);

    // True while a run is in progress.
    bool IsRunning() const { return running_; }
    TenvorEngine& Engine() { return engine_; }
    RunEventQueue& Events() { return events_; }

private:
    RunEventQueue events_;  // before the engine, which reports to it
    TenvorEngine engine_;
    bool running_ = false;
};

}  // namespace tenvor
