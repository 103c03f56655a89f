#pragma once

#include "ScannerModel.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

class QSocketNotifier;

// Serves a ScannerModel on a pseudo-terminal, on the thread that owns it, so
// that the program opens devicePath() exactly as it would open a real serial
// device. Closing the line (a fault of the model, or stop()) closes the master
// side: the program then sees the device fail as when a scanner is switched
// off.
class PtyScanner : public QObject
{
    Q_OBJECT
public:
    explicit PtyScanner(QObject *parent = nullptr);
    ~PtyScanner() override;

    // Creates the pseudo-terminal; false with errorString() when the system has
    // none (some containers do not mount /dev/pts).
    bool start();
    void stop();
    bool isRunning() const { return m_master >= 0; }

    // "/dev/pts/N" while running.
    QString devicePath() const { return m_devicePath; }
    QString errorString() const { return m_error; }

    // Its options may be changed at any time; they apply from the next command.
    ScannerModel &model() { return m_model; }

Q_SIGNALS:
    // bytes as received from the host, in the pieces they came in.
    void bytesReceived(const QByteArray &bytes);
    void bytesSent(const QByteArray &bytes);
    // The line was closed by the model's closeAfterQueries fault.
    void lineClosed();

private:
    struct Scheduled
    {
        QDeadlineTimer due;
        QByteArray bytes;
        bool closeLine = false;
    };

    void onReadable();
    void onWritable();
    void onSendTimer();
    void armSendTimer();
    void writeOut(const QByteArray &bytes);
    void closeLine();
    void fail(const QString &what);

    ScannerModel m_model;
    int m_master = -1;
    // The program's end, held open by the simulator too: a pty master whose
    // slave has no open descriptor reports end of file over and over, and the
    // program opens and closes its port at every scan start and stop.
    int m_slave = -1;
    QString m_devicePath;
    QString m_error;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    QList<Scheduled> m_schedule;
    QByteArray m_unwritten;
    QTimer m_sendTimer;
};
