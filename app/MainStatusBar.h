#pragma once

#include <QObject>
#include <QString>

#include <chrono>

class LiveViewCommands;
class ManualScanBridge;
class QLabel;
class QStatusBar;
class QTimer;
class ScanSession;
class StatusLine;
struct Reading;

// The main window's status bar: one line of what is wrong now, how long the
// scan has run and its passes, the date, and a note while the scanner is
// simulated. It follows the session, its record, the manual line and the live
// data itself; the window adds only what it alone knows.
class MainStatusBar : public QObject
{
    Q_OBJECT
public:
    MainStatusBar(QStatusBar *bar, ScanSession &session, QObject *parent = nullptr);

    void follow(ManualScanBridge &manual);
    void follow(LiveViewCommands &liveView);

    // Problems that stay until they are set again with an empty text.
    void setSettingsProblem(const QString &problem);
    void setStoreProblem(const QString &problem);
    // A line that shows while nothing is wrong.
    void setSessionNotice(const QString &notice);
    // The simulated scanner on device, or none for an empty device.
    void setDemo(const QString &device);
    // A passing word on what a command did.
    void showNote(const QString &note, std::chrono::milliseconds shown);

private:
    void followSession();
    void setLineProblem(const QString &problem);
    void showManualReading(const Reading &reading);
    void update();
    void showScanProgress();

    QStatusBar *m_bar;
    ScanSession &m_session;
    LiveViewCommands *m_liveView = nullptr;
    StatusLine *m_text = nullptr;
    QLabel *m_date = nullptr;
    QLabel *m_scan = nullptr;
    QLabel *m_demo = nullptr;
    QTimer *m_scanClock = nullptr;
    bool m_reconnecting = false;
    QString m_lineProblem;
    QString m_manualProblem;
    QString m_settingsProblem;
    QString m_storeProblem;
    QString m_sessionNotice;
};
