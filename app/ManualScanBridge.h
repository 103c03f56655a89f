#pragma once

#include "ManualScanHost.h"
#include "Reading.h"

#include <QObject>

#include <functional>

class ScanSession;
class QWidget;

// What the manual window borrows from the main window, served by the session:
// the line, the select and the reading. The main window shows what comes of
// them through the signals.
class ManualScanBridge : public QObject, public ManualScanHost
{
    Q_OBJECT
public:
    struct Sources
    {
        // The chosen port's name ("com1") and the device behind it.
        std::function<QString()> portName;
        std::function<QString()> device;
        // The scan term as typed, in seconds.
        std::function<QString()> termText;
    };

    ManualScanBridge(ScanSession &session, QWidget &hostWindow, Sources sources);

    bool openScannerPort(QString *error) override;
    void closeScannerPort() override;
    bool PortOpen(int channel) override;
    bool ReadPres(std::function<void()> done) override;
    QString scanTermText() const override { return m_sources.termText(); }
    QRect hostFrameGeometry() const override;

Q_SIGNALS:
    void lineOpened();
    void channelSelected(int channel);
    // The line failed at an earlier reading and could not be opened again.
    void lineNotReopened(const QString &why);
    void readingFinished(const Reading &reading);

private:
    ScanSession &m_session;
    QWidget &m_hostWindow;
    Sources m_sources;
};
