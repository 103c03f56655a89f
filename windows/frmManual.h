#pragma once

#include <QDialog>
#include <QList>

#include <memory>

class ManualScanHost;
class QPushButton;
class SettingsStore;
class Timer;
class TimerFactory;

// The manual scan window: one button per channel; a click selects the channel,
// waits half the scan term and reads it once into the main window's readouts.
// One reading at a time: a click while a reading is under way is refused.
class frmManual : public QDialog
{
    Q_OBJECT
public:
    frmManual(ManualScanHost &host, SettingsStore &settings, TimerFactory &timers,
              QWidget *parent = nullptr);
    ~frmManual() override;

    // Lays the window out for the stored channel count and opens the scanner's
    // port; false, with *error set, when the port cannot be opened.
    bool Form_Load(QString *error);
    void cmdCH_Click(int index);

    int channelCount() const { return m_channelCount; }
    bool isReading() const { return m_reading; }
    // The outer height for a channel count, in twips: frame and caption included.
    static double outerHeightFor(int channelCount);
    // The pause between select and query for a scan term text, in milliseconds.
    static qint64 pauseFor(const QString &termText);

public Q_SLOTS:
    void done(int result) override;

private:
    void readAfterPause();
    void finishReading();

    ManualScanHost &m_host;
    SettingsStore &m_settings;
    std::unique_ptr<Timer> m_pause;
    QList<QPushButton *> cmdCH;
    int m_channelCount = 20;
    bool m_portOpen = false;
    bool m_reading = false;
};
