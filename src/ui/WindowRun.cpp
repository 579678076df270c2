#include "ui/WindowRun.h"

#include <QEventLoop>
#include <ctime>
#include <exception>
#include <thread>

namespace tenvor {

namespace {

// Marks a run in progress for the life of the object.
class RunningFlag {
public:
    explicit RunningFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~RunningFlag() { flag_ = false; }
    RunningFlag(const RunningFlag&) = delete;
    RunningFlag& operator=(const RunningFlag&) = delete;

private:
    bool& flag_;
};

}  // namespace

WindowRun::WindowRun(RunObserver& window, std::string appFolder)
    : events_(window), engine_(events_, std::move(appFolder))
{
}

RunSummary WindowRun::Run(const RunRequest& request)
{
    RunSummary summary;
    RunningFlag running(running_);
    QEventLoop loop;
    events_.BeginRun();
    std::thread worker([&] {
        try {
            summary = engine_.Run(request);
        } catch (const std::exception&) {
            // The engine never throws; a summary that cannot be copied leaves a stopped run.
            summary.outcome = RunOutcome::Stopped;
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    events_.EndRun();
    return summary;
}

Expected<SavedDraft, DraftRefusal> WindowRun::SaveDraft(const FormDraft& draft, const DraftTarget& target)
{
    if (running_) {
        // The engine's forms are read by the run: they change only between runs.
        return Unexpected{DraftRefusal{target.path, "変換中のため、様式定義を保存できません。"}};
    }
    Expected<SavedDraft, DraftRefusal> saved = SaveFormDraft(draft, target, std::time(nullptr));
    if (saved && saved->written) {
        engine_.ReloadForms();
    }
    return saved;
}

}  // namespace tenvor
