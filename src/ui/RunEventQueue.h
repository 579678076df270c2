// Hands what the core reports during a run on the worker thread to the window on its own thread,
// in the order it was reported. Progress (the counter and the done-of-total counts) is kept as its latest value
// and shown about 30 times a second, so that thousands of small files cost no more drawing than a
// few; every other event is delivered at once, and a message blocks the run until the user has
// closed its box, as the message box of a run always has. Events reported on the window's own
// thread (outside runs) are delivered directly.
#pragma once

#include <QObject>
#include <QTimer>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "state/RunObserver.h"

namespace tenvor {

class RunEventQueue : public QObject, public RunObserver {
    Q_OBJECT

public:
    static constexpr int kProgressIntervalMs = 33;

    // target shows the events; it lives on this object's thread.
    explicit RunEventQueue(RunObserver& target, QObject* parent = nullptr);

    // A run begins and ends: progress is shown at its interval while one runs.
    void BeginRun();
    void EndRun();

    void RunStarted(int inputCount) override;
    void CounterChanged(int done, int total) override;
    void ProgressChanged(const Progress& progress) override;
    void OutputFolderDecided(const std::string& folder) override;
    void FileFailed(const StErrorInfo& record) override;
    void MessageShown(const RunMessage& message) override;
    void RunFinished(const RunSummary& summary) override;

    // Delivers every queued event to the target, oldest first (on this object's thread).
    void Drain();

    // How many times progress was brought up to date on the screen during the latest run, and
    // how many progress reports it received: the first is bounded by the interval, the second by
    // the run.
    int ProgressDeliveries() const { return progressDeliveries_; }
    int ProgressReports() const { return progressReports_; }

private:
    enum class Kind { Counter, Progress, Other };
    struct Event {
        Kind kind = Kind::Other;
        std::function<void(RunObserver&)> deliver;
    };

    bool OnOwnThread() const;
    // Queues an event; progress replaces progress of its kind queued after the last other event.
    void Push(Kind kind, std::function<void(RunObserver&)> deliver);
    void PostDrain();

    RunObserver& target_;
    QTimer progressTimer_;

    std::mutex mutex_;
    std::deque<Event> events_;
    bool drainPosted_ = false;
    std::condition_variable delivered_;
    unsigned long long pushedCount_ = 0;     // events ever queued
    unsigned long long deliveredCount_ = 0;  // events ever delivered or replaced

    int progressDeliveries_ = 0;
    int progressReports_ = 0;
};

}  // namespace tenvor
