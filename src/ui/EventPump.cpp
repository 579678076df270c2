#include "ui/EventPump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <memory>

namespace tenvor {

namespace {

std::function<qint64()> MonotonicClock()
{
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    return [timer] { return timer->elapsed(); };
}

void ProcessEventsWithoutUserInput()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

EventPump::EventPump() : EventPump(MonotonicClock(), ProcessEventsWithoutUserInput) {}

EventPump::EventPump(std::function<qint64()> clock, std::function<void()> process)
    : clock_(std::move(clock)), process_(std::move(process))
{
    lastPump_ = clock_();
}

void EventPump::Start()
{
    lastPump_ = clock_();
}

void EventPump::Poll()
{
    const qint64 now = clock_();
    if (now - lastPump_ < kIntervalMs) {
        return;
    }
    ++pumpCount_;
    if (beforePump_) {
        beforePump_();
    }
    process_();
    // Measured from the end of the pump, so a slow repaint never eats more than half the time.
    lastPump_ = clock_();
    pumpTime_ += lastPump_ - now;
}

}  // namespace tenvor
