#pragma once

#include "AlarmWatch.h"
#include "LiveData.h"

#include <QObject>
#include <QPointer>

class DesktopNotifier;
class Dialogs;
class ScanRecord;
class ScanSession;
class SettingsStore;
class QWidget;
class frmLiveView;

// The live view beside the main window: its data, fed from the session's
// readings or built from a table, the window itself (opened on demand), and
// the alarm limits that both the view and the result table show.
class LiveViewCommands : public QObject
{
    Q_OBJECT
public:
    LiveViewCommands(ScanSession &session, SettingsStore &settings, Dialogs &dialogs,
                     QWidget *mainWindow);
    ~LiveViewCommands() override;

    LiveData &data() { return m_data; }
    // The channels outside their alarm limits now, by name, then the live
    // data's counts.
    QString statusSummary() const;
    // Where an excursion beyond the alarm limits is told; none by default.
    void setNotifier(DesktopNotifier *notifier) { m_alarms.setNotifier(notifier); }

    // Opens (or raises) the live view window.
    void showWindow();
    // Opens it at start-up when it was open when the program last ended.
    void restoreWindow();
    void editAlarmLimits();
    // The table was replaced by a file: its passes are the time axis.
    void tableLoaded();
    // The table holds a stored scan: its readings keep their times.
    void scanRestored(ScanRecord &record, qint64 id, int firstChannel, int lastChannel);
    // A click on a channel's column header puts the channel in the trend.
    void showColumnInTrend(int column);
    // Remembers whether the window was open, as the program ends.
    void saveState();

Q_SIGNALS:
    void statusSummaryChanged(const QString &summary);

private:
    ScanSession &m_session;
    SettingsStore &m_settings;
    Dialogs &m_dialogs;
    QWidget *m_mainWindow;
    LiveData m_data;
    AlarmWatch m_alarms { m_data.alarmLimits() };
    QPointer<frmLiveView> m_window;
};
