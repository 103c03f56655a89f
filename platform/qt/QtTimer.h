#pragma once

#include "Timer.h"

#include <QTimer>

// A precise QTimer: the coarse kind wanders by up to 5% of the period, which
// would make the scan term visibly uneven.
class QtTimer : public Timer
{
    Q_OBJECT
public:
    explicit QtTimer(QObject *parent = nullptr);

    void start(std::chrono::milliseconds interval) override;
    void stop() override;
    bool isActive() const override;
    std::chrono::milliseconds interval() const override;
    void setSingleShot(bool singleShot) override;

private:
    QTimer m_timer;
};

class QtTimerFactory : public TimerFactory
{
public:
    std::unique_ptr<Timer> createTimer() override;
    std::chrono::milliseconds now() const override;
};
