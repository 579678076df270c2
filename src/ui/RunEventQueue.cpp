#include "ui/RunEventQueue.h"

#include <QThread>

namespace tenvor {

RunEventQueue::RunEventQueue(RunObserver& target, QObject* parent) : QObject(parent), target_(target)
{
    progressTimer_.setInterval(kProgressIntervalMs);
    connect(&progressTimer_, &QTimer::timeout, this, &RunEventQueue::Drain);
}

void RunEventQueue::BeginRun()
{
    progressDeliveries_ = 0;
    progressReports_ = 0;
    progressTimer_.start();
}

void RunEventQueue::EndRun()
{
    progressTimer_.stop();
    Drain();
}

bool RunEventQueue::OnOwnThread() const
{
    return QThread::currentThread() == thread();
}

void RunEventQueue::Push(Kind kind, std::function<void(RunObserver&)> deliver)
{
    std::lock_guard lock(mutex_);
    ++pushedCount_;
    if (kind != Kind::Other) {
        ++progressReports_;
        // Only the latest value is worth showing: it replaces one of its kind queued since the
        // last other event (counter and counts alternate, so look past the other kind).
        for (auto it = events_.rbegin(); it != events_.rend() && it->kind != Kind::Other; ++it) {
            if (it->kind == kind) {
                it->deliver = std::move(deliver);
                ++deliveredCount_;
                return;
            }
        }
    }
    events_.push_back(Event{kind, std::move(deliver)});
}

void RunEventQueue::PostDrain()
{
    {
        std::lock_guard lock(mutex_);
        if (drainPosted_) {
            return;
        }
        drainPosted_ = true;
    }
    QMetaObject::invokeMethod(this, &RunEventQueue::Drain, Qt::QueuedConnection);
}

void RunEventQueue::Drain()
{
    bool progressShown = false;
    for (;;) {
        Event event;
        {
            std::lock_guard lock(mutex_);
            drainPosted_ = false;
            if (events_.empty()) {
                return;
            }
            event = std::move(events_.front());
            events_.pop_front();
        }
        if (event.kind != Kind::Other && !progressShown) {
            progressShown = true;
            ++progressDeliveries_;
        }
        // A message box shown here runs its own event loop, which may drain again: the event is
        // out of the queue before it is delivered.
        event.deliver(target_);
        {
            std::lock_guard lock(mutex_);
            ++deliveredCount_;
        }
        delivered_.notify_all();
    }
}

void RunEventQueue::RunStarted(int inputCount)
{
    if (OnOwnThread()) {
        Drain();
        target_.RunStarted(inputCount);
        return;
    }
    Push(Kind::Other, [inputCount](RunObserver& target) { target.RunStarted(inputCount); });
    PostDrain();
}

void RunEventQueue::CounterChanged(int done, int total)
{
    if (OnOwnThread()) {
        Drain();
        target_.CounterChanged(done, total);
        return;
    }
    Push(Kind::Counter, [done, total](RunObserver& target) { target.CounterChanged(done, total); });
}

void RunEventQueue::ProgressChanged(const Progress& progress)
{
    if (OnOwnThread()) {
        Drain();
        target_.ProgressChanged(progress);
        return;
    }
    Push(Kind::Progress, [progress](RunObserver& target) { target.ProgressChanged(progress); });
}

void RunEventQueue::OutputFolderDecided(const std::string& folder)
{
    if (OnOwnThread()) {
        Drain();
        target_.OutputFolderDecided(folder);
        return;
    }
    Push(Kind::Other, [folder](RunObserver& target) { target.OutputFolderDecided(folder); });
    PostDrain();
}

void RunEventQueue::FileFailed(const StErrorInfo& record)
{
    if (OnOwnThread()) {
        Drain();
        target_.FileFailed(record);
        return;
    }
    Push(Kind::Other, [record](RunObserver& target) { target.FileFailed(record); });
    PostDrain();
}

void RunEventQueue::MessageShown(const RunMessage& message)
{
    if (OnOwnThread()) {
        Drain();
        target_.MessageShown(message);
        return;
    }
    unsigned long long ticket = 0;
    {
        std::lock_guard lock(mutex_);
        ticket = pushedCount_ + 1;
    }
    Push(Kind::Other, [message](RunObserver& target) { target.MessageShown(message); });
    PostDrain();
    // The run goes on once the user has closed the box.
    std::unique_lock lock(mutex_);
    delivered_.wait(lock, [&] { return deliveredCount_ >= ticket; });
}

void RunEventQueue::RunFinished(const RunSummary& summary)
{
    if (OnOwnThread()) {
        Drain();
        target_.RunFinished(summary);
        return;
    }
    Push(Kind::Other, [summary](RunObserver& target) { target.RunFinished(summary); });
    PostDrain();
}

}  // namespace tenvor
