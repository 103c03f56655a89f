#pragma once

#include "Reading.h"
#include "ZeroHistory.h"

#include <QHash>
#include <QObject>

class ScanSession;

// The zero of the running scan: takes the mean of the next complete passes
// as one offset per channel, keeps the scan's zeros and clears, and hands
// each to the session's record, which keeps the raw readings beside them.
// A channel with a failed reading, a value that is no number or another unit
// during the zero passes gets no offset: an offset from what was not measured
// would shift every later reading unseen.
class ScanZero : public QObject
{
    Q_OBJECT
public:
    static constexpr int kDefaultPasses = 3;
    static constexpr int kMaxPasses = 100;

    explicit ScanZero(QObject *parent = nullptr);

    // Follows the session's scans: a new scan starts without a zero, its
    // readings feed a zero being taken, its end abandons one, and every zero
    // set goes to its record.
    void follow(ScanSession &session);

    // Zeroes on the passes after afterPass (the passes taken so far) of the
    // channels first to last; a zero being taken starts again.
    void take(int passes, int afterPass);
    // Ends the zero from pass on; a zero being taken is abandoned.
    void clear(int pass);
    // A new scan of first to last: no zero, and none being taken.
    void reset(int firstChannel, int lastChannel);
    // A zero being taken is given up (the scan ended).
    void abandon();

    bool isTaking() const { return m_taking; }
    const ZeroHistory &history() const { return m_history; }
    // Readings of the scan, in the order taken.
    void addReading(const Reading &reading);

Q_SIGNALS:
    // A zero was taken; noOffset lists the channels that got none.
    void taken(const ZeroSet &set, const QList<int> &noOffset);
    void cleared();
    // The zero being taken was given up before its passes were complete.
    void abandoned();
    // The history changed (taken, cleared, reset): zeroed views redraw.
    void changed();

private:
    struct Channel
    {
        QList<DecimalValue> values;
        QString unit;
        bool failed = false;
    };
    void finish(const QDateTime &time);
    void keepInRecord(const ZeroSet &set);

    ScanSession *m_session = nullptr;
    ZeroHistory m_history;
    int m_first = 0;
    int m_last = -1;
    bool m_taking = false;
    int m_passes = 0;
    int m_afterPass = 0;
    QHash<int, Channel> m_channels;
};
