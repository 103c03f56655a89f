#pragma once

#include <QObject>

#include <chrono>
#include <memory>

// A timer that fires timeout() every interval while active (or once, when
// single-shot). Tests replace it with one they fire by hand.
class Timer : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void start(std::chrono::milliseconds interval) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    virtual std::chrono::milliseconds interval() const = 0;
    virtual void setSingleShot(bool singleShot) = 0;

Q_SIGNALS:
    void timeout();
};

// Makes the timers and tells the time they run on: a monotonic clock, so that
// code which measures how long something took can run on a simulated clock.
class TimerFactory
{
public:
    virtual ~TimerFactory() = default;
    virtual std::unique_ptr<Timer> createTimer() = 0;
    virtual std::chrono::milliseconds now() const = 0;
};
