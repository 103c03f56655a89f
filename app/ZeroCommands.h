#pragma once

#include "Reading.h"
#include "ScanZero.h"
#include "ZeroHistory.h"

#include <QObject>

class LiveData;
class QAction;
class QMenu;
class ResultDocument;
class ScanSession;
class SettingsStore;

// Scan > Zero, Scan > Clear Zero and the number of passes a zero takes: the
// zero of the running scan, the zeroed value of each reading for the
// readouts and the live data, and the zeros that go with the table for its
// exports.
class ZeroCommands : public QObject
{
    Q_OBJECT
public:
    static constexpr int kPassChoices[] = { 1, 2, 3, 5, 10 };

    ZeroCommands(ScanSession &session, const ResultDocument &document, SettingsStore &settings,
                 LiveData &liveData, QObject *parent = nullptr);

    // Fills the Zero Passes menu with its choices; restoreSettings() checks one.
    void fillPassesMenu(QMenu *menu);
    // The number of passes as the settings keep it.
    void restoreSettings();
    int passes() const { return m_passes; }
    void setPasses(int passes);

    // Zeroes on the next complete passes of the running scan.
    void zero();
    void clearZero();
    bool canZero() const;
    // A zero of a finished scan stays: the record has closed the scan.
    bool canClear() const;
    // The table's readings are shown zeroed now.
    bool isActive() const { return m_tableIsScan && m_zero.history().active(); }

    // The table now holds results from elsewhere (a file, a stored scan):
    // the zeros of the scan taken here no longer go with it.
    void tableReplaced();
    // The zeros of the rows in the table: those of the scan taken here, or
    // those the record keeps for the stored scan it holds; nullptr for none.
    const ZeroHistory *tableZero();
    // The zeros the record keeps for stored scan id; nullptr for none.
    const ZeroHistory *storedZero(qint64 id);
    ScanZero &scanZero() { return m_zero; }

Q_SIGNALS:
    // A line for the status bar: the zero was taken, abandoned, cleared.
    void notice(const QString &text);
    // A reading of the scan as the readouts show it: zeroed where a zero
    // applies, with the mark ("zeroed at 14:02") or an empty one.
    void readingShown(const QString &value, const QString &mark);
    // Zeroing began or ended, a zero was taken or cleared: the commands'
    // states follow.
    void changed();

private:
    void onTaken(const ZeroSet &set, const QList<int> &noOffset);
    void onReading(const Reading &reading);

    ScanSession &m_session;
    const ResultDocument &m_document;
    SettingsStore &m_settings;
    LiveData &m_liveData;
    ScanZero m_zero;
    int m_passes = ScanZero::kDefaultPasses;
    bool m_tableIsScan = false;
    qint64 m_storedId = -1;
    ZeroHistory m_stored;
    QList<QAction *> m_passActions;
};
