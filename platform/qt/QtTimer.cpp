#include "QtTimer.h"

QtTimer::QtTimer(QObject *parent) : Timer(parent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &Timer::timeout);
}

void QtTimer::start(std::chrono::milliseconds interval)
{
    m_timer.start(interval);
}

void QtTimer::stop()
{
    m_timer.stop();
}

bool QtTimer::isActive() const
{
    return m_timer.isActive();
}

std::chrono::milliseconds QtTimer::interval() const
{
    return m_timer.intervalAsDuration();
}

void QtTimer::setSingleShot(bool singleShot)
{
    m_timer.setSingleShot(singleShot);
}

std::unique_ptr<Timer> QtTimerFactory::createTimer()
{
    return std::make_unique<QtTimer>();
}

std::chrono::milliseconds QtTimerFactory::now() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}
