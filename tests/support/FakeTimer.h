#pragma once

#include "Timer.h"

#include <QList>
#include <QPointer>

#include <memory>

// A timer that fires only when the test calls fire(), so time-outs and scan
// ticks are tested without waiting. Header-only, without signals of its own.
class FakeTimer : public Timer
{
public:
    using Timer::Timer;

    void start(std::chrono::milliseconds interval) override
    {
        m_interval = interval;
        m_active = true;
        ++startCount;
    }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }
    std::chrono::milliseconds interval() const override { return m_interval; }
    void setSingleShot(bool singleShot) override { m_singleShot = singleShot; }
    bool isSingleShot() const { return m_singleShot; }

    // Fires as if the interval had passed; an inactive timer does nothing.
    void fire()
    {
        if (!m_active)
            return;
        if (m_singleShot)
            m_active = false;
        Q_EMIT timeout();
    }

    int startCount = 0;

private:
    std::chrono::milliseconds m_interval { 0 };
    bool m_active = false;
    bool m_singleShot = false;
};

// Hands out FakeTimers and keeps track of them (a destroyed timer reads as null).
class FakeTimerFactory : public TimerFactory
{
public:
    std::unique_ptr<Timer> createTimer() override
    {
        auto timer = std::make_unique<FakeTimer>();
        timers.append(timer.get());
        return timer;
    }
    FakeTimer *last() const { return timers.isEmpty() ? nullptr : timers.last().data(); }

    QList<QPointer<FakeTimer>> timers;
};
