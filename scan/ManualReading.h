#pragma once

#include "Reading.h"

#include <QObject>

#include <chrono>
#include <functional>

class ScannerLink;

// A reading on demand, one at a time: the manual window selects a channel and,
// once the scanner has settled on it, reads it once. Each query ends exactly
// once with a Reading (taken, no reply, unreadable, line lost), unless it is
// abandoned because the line closes.
class ManualReading : public QObject
{
    Q_OBJECT
public:
    using Done = std::function<void(const Reading &)>;

    explicit ManualReading(ScannerLink &link, QObject *parent = nullptr);

    // Writes the select command; false when it could not be written.
    bool select(int channel);
    // Writes the query for the channel selected last; done runs with the outcome.
    // False (and done never runs) when a reading is under way or the query could
    // not be written.
    bool query(std::chrono::milliseconds timeout, Done done);
    bool isBusy() const { return m_awaiting; }
    // Ends a waiting query without an outcome.
    void abandon();

    int channel() const { return m_channel; }
    // The last query went unanswered.
    bool scannerSilent() const { return m_silent; }

Q_SIGNALS:
    void finished(const Reading &reading);

private:
    void complete(Reading reading);

    ScannerLink &m_link;
    Done m_done;
    bool m_awaiting = false;
    int m_channel = 0;
    bool m_silent = false;
};
