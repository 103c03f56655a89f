#pragma once

#include "Timer.h"

#include <QList>
#include <QPointer>

#include <algorithm>
#include <memory>

// A timer that fires only when the test calls fire(), so time-outs and scan
// ticks are tested without waiting. It runs on its factory's clock: firing
// moves that clock on to the moment the timer was due. Header-only, without
// signals of its own.
class FakeTimer : public Timer
{
public:
    explicit FakeTimer(std::chrono::milliseconds *clock = nullptr) : m_clock(clock) { }

    void start(std::chrono::milliseconds interval) override
    {
        m_interval = interval;
        m_active = true;
        m_due = now() + interval;
        ++startCount;
    }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }
    std::chrono::milliseconds interval() const override { return m_interval; }
    void setSingleShot(bool singleShot) override { m_singleShot = singleShot; }
    bool isSingleShot() const { return m_singleShot; }
    std::chrono::milliseconds due() const { return m_due; }

    // Fires as if the interval had passed; an inactive timer does nothing.
    void fire()
    {
        if (!m_active)
            return;
        if (m_clock)
            *m_clock = std::max(*m_clock, m_due);
        if (m_singleShot)
            m_active = false;
        else
            m_due = now() + m_interval;
        Q_EMIT timeout();
    }

    int startCount = 0;

private:
    std::chrono::milliseconds now() const
    {
        return m_clock ? *m_clock : std::chrono::milliseconds(0);
    }

    std::chrono::milliseconds *m_clock;
    std::chrono::milliseconds m_interval { 0 };
    std::chrono::milliseconds m_due { 0 };
    bool m_active = false;
    bool m_singleShot = false;
};

// Hands out FakeTimers and keeps track of them (a destroyed timer reads as null).
// Its clock moves only when a timer fires or the test advances it.
class FakeTimerFactory : public TimerFactory
{
public:
    std::unique_ptr<Timer> createTimer() override
    {
        auto timer = std::make_unique<FakeTimer>(&clock);
        timers.append(timer.get());
        return timer;
    }
    std::chrono::milliseconds now() const override { return clock; }
    void advance(std::chrono::milliseconds by) { clock += by; }

    FakeTimer *last() const { return timers.isEmpty() ? nullptr : timers.last().data(); }
    // The live timer with that object name, or null.
    FakeTimer *named(const QString &name) const
    {
        for (const QPointer<FakeTimer> &timer : timers) {
            if (timer && timer->objectName() == name)
                return timer.data();
        }
        return nullptr;
    }

    QList<QPointer<FakeTimer>> timers;
    std::chrono::milliseconds clock { 0 };
};
