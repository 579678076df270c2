// Keeps the window painted and answering the window system while a run blocks it: at most once
// per interval it lets Qt handle pending events other than user input (which waits until the run
// ends). Progress updates call Poll(); the first call after Start() waits a full interval.
// A front end that defers its control updates between pumps brings them up to date in the
// before-pump call, so that each repaint shows the latest progress.
#pragma once

#include <QElapsedTimer>
#include <functional>

namespace tenvor {

class EventPump {
public:
    static constexpr qint64 kIntervalMs = 33;  // about 30 times a second

    // clock returns milliseconds from any fixed point; process handles the pending events.
    // The defaults are a monotonic clock and QCoreApplication::processEvents without user input.
    EventPump();
    EventPump(std::function<qint64()> clock, std::function<void()> process);

    void SetBeforePump(std::function<void()> beforePump) { beforePump_ = std::move(beforePump); }

    void Start();  // a run begins: the next pump is one interval away
    void Poll();   // pumps when the interval has passed since the last pump (or Start)

    int PumpCount() const { return pumpCount_; }
    qint64 PumpTimeMs() const { return pumpTime_; }  // time spent handling events, in total

private:
    std::function<qint64()> clock_;
    std::function<void()> process_;
    std::function<void()> beforePump_;
    qint64 lastPump_ = 0;
    int pumpCount_ = 0;
    qint64 pumpTime_ = 0;
};

}  // namespace tenvor
