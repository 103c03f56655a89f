// A scan with its durable record and nothing else, for the test that kills a
// scanning program: the session, the SQLite record, the real serial port and
// real timers, as the program wires them. It scans until it is killed.
//
//   recording_scanner DEVICE DATABASE START_CH END_CH TERM_MS

#include "QtSerialPort.h"
#include "QtTimer.h"
#include "ScanSession.h"
#include "ThreadedScanRecord.h"

#include <QCoreApplication>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 6) {
        std::fputs("usage: recording_scanner DEVICE DATABASE START_CH END_CH TERM_MS\n", stderr);
        return 2;
    }
    ThreadedScanRecord record(args.at(2));
    if (!record.open()) {
        std::fprintf(stderr, "record: %s\n", qPrintable(record.errorString()));
        return 1;
    }
    QtSerialPort port;
    QtTimerFactory timers;
    ScanSession session(port, timers);
    session.setRecord(&record);
    QObject::connect(&session, &ScanSession::recordFailed, &app, [](const QString &why) {
        std::fprintf(stderr, "record failed: %s\n", qPrintable(why));
        QCoreApplication::exit(1);
    });

    ScanSession::Request request;
    request.portName = u"com1"_s;
    request.device = args.at(1);
    request.startCh = args.at(3).toInt();
    request.endCh = args.at(4).toInt();
    request.period = std::chrono::milliseconds(args.at(5).toInt());
    if (!session.start(request)) {
        std::fprintf(stderr, "start: %s\n", qPrintable(session.errorString()));
        return 1;
    }
    std::fputs("scanning\n", stdout);
    std::fflush(stdout);
    return app.exec();
}
