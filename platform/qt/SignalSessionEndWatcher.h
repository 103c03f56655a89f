#pragma once

#include "SessionEndWatcher.h"

class QSocketNotifier;

// SIGTERM, SIGHUP and SIGINT, turned into endRequested() in the event loop. The
// handler only writes the signal's number to a socket pair, the one thing a
// signal handler may safely do; the rest happens when the event loop reads it.
// Where there are no such signals, nothing is ever reported. One instance per
// process.
class SignalSessionEndWatcher : public SessionEndWatcher
{
    Q_OBJECT
public:
    explicit SignalSessionEndWatcher(QObject *parent = nullptr);
    ~SignalSessionEndWatcher() override;

    bool isWatching() const { return m_notifier != nullptr; }

private:
    void onSignalReceived();

    QSocketNotifier *m_notifier = nullptr;
};
