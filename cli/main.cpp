#include "ForwardingScanRecord.h"
#include "LogLocation.h"
#include "OpenScanRecord.h"
#include "PortMap.h"
#include "ProgressPrinter.h"
#include "PtyScanner.h"
#include "QtSerialPort.h"
#include "QtSerialPortLister.h"
#include "QtSettingsStore.h"
#include "QtTimer.h"
#include "RotatingLog.h"
#include "ScanOptions.h"
#include "ScanRecord.h"
#include "ScanRun.h"
#include "ScanSession.h"
#include "SerialPortLister.h"
#include "SignalSessionEndWatcher.h"
#include "Version.h"
#include "WireLogPort.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString kProgram = u"rozivoda-scan"_s;

// At the end, how long readings still waiting for the shared server may hold
// the program up; what is not sent by then goes at the next run.
constexpr std::chrono::seconds kForwardAtExit { 10 };

void printTo(std::FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(kProgram);
    QCoreApplication::setApplicationVersion(QStringLiteral(ROZIVODA_VERSION));

    ScanOptionsParser parser;
    if (!parser.parse(QCoreApplication::arguments())) {
        printTo(stderr, u"%1: %2 (see --help)\n"_s.arg(kProgram, parser.errorString()));
        return ScanRun::BadArguments;
    }
    const ScanOptions &options = parser.options();
    if (options.action == ScanOptions::Action::Help) {
        printTo(stdout, parser.helpText());
        return 0;
    }
    if (options.action == ScanOptions::Action::Version) {
        printTo(stdout, u"%1 %2\n"_s.arg(kProgram, QStringLiteral(ROZIVODA_VERSION)));
        return 0;
    }
    if (options.action == ScanOptions::Action::ListPorts) {
        // One device a line, the name to give --device first.
        const QList<SerialPortEntry> ports = QtSerialPortLister().ports();
        for (const SerialPortEntry &port : ports) {
            const QString stable = SerialDevices::stablePathFor(port.systemLocation);
            printTo(stdout,
                    u"%1\t%2\t%3\n"_s.arg(stable.isEmpty() ? port.systemLocation : stable,
                                          port.systemLocation, port.description));
        }
        if (ports.isEmpty())
            printTo(stderr, u"%1: no serial devices found\n"_s.arg(kProgram));
        return 0;
    }

    // The wire log is a line of its own between progress lines, which then
    // are plain lines too.
    ProgressPrinter printer(stderr, !options.verbose && isTerminal(stderr));
    const auto say = [&printer](const QString &text) {
        printer.line(kProgram + u": "_s + text);
    };

    // Stops the scan and saves from the first request on, even one that comes
    // before the scan has started.
    auto sessionEnd = std::make_unique<SignalSessionEndWatcher>();

    // The log file only: this program reports on stderr itself.
    RotatingLog log(logDirectory() + u"/rozivoda.log"_s);
    RotatingLog::install(&log, false);
    struct Uninstall
    {
        ~Uninstall() { RotatingLog::uninstall(); }
    } uninstallLog;

    QtSerialPort serial;
    std::unique_ptr<WireLogPort> wireLog;
    SerialPort *port = &serial;
    if (options.verbose) {
        wireLog = std::make_unique<WireLogPort>(
            serial, [&printer](const QString &line) { printer.line(line); });
        port = wireLog.get();
    }
    QtTimerFactory timers;

    ScanRun::Plan plan;
    plan.request.startCh = options.startCh;
    plan.request.endCh = options.endCh;
    plan.request.period = options.period;
    plan.request.names = options.names;
    plan.request.settle = options.settle;
    plan.passes = options.passes;
    plan.duration = options.duration;
    plan.zeroPasses = options.zeroPasses;
    plan.outFile = options.outFile;
    plan.csvFile = options.csvFile;

    QString recordError;
    std::unique_ptr<ScanRecord> record = openScanRecord(options.storeUrl, &recordError);
    if (!record || !record->isWorking()) {
        const QString why = u"the readings are not kept in the record: "_s + recordError;
        // With no file asked for either, the scan would keep nothing.
        if (options.outFile.isEmpty() && options.csvFile.isEmpty()) {
            say(why + u"; name a file with --out or --csv"_s);
            return ScanRun::SaveFailed;
        }
        say(why);
    }
    if (const QString aside = movedAsidePath(record.get()); !aside.isEmpty())
        say(u"the record was damaged and was moved to %1; a new one was begun"_s.arg(aside));
    const auto forwarding = qobject_cast<ForwardingScanRecord *>(record.get());
    if (forwarding) {
        // Said when the server's trouble begins, changes and ends; the scan
        // goes on meanwhile.
        QObject::connect(
            forwarding, &ScanRecord::warningChanged, forwarding,
            [&say, forwarding, trouble = false](const QString &warning) mutable {
                if (!warning.isEmpty())
                    say(warning);
                else if (trouble)
                    say(u"reached %1 again"_s.arg(displayStoreUrl(forwarding->server())));
                trouble = !warning.isEmpty();
            });
    }

    PtyScanner simulator;
    if (options.demo) {
        if (!simulator.start()) {
            say(u"cannot start the simulated scanner: "_s + simulator.errorString());
            return ScanRun::PortFailed;
        }
        plan.request.portName = PortMap::simulatedPortName();
        plan.request.device = simulator.devicePath();
    } else if (options.port > 0) {
        QtSettingsStore settings;
        plan.request.portName = u"com"_s + QString::number(options.port);
        plan.request.device = PortMap(settings).device(options.port);
    } else {
        plan.request.portName = options.device;
        plan.request.device = options.device;
    }

    ScanSession session(*port, timers);
    if (record && record->isWorking())
        session.setRecord(record.get());
    QObject::connect(&session, &ScanSession::recordFailed, &session, [&say](const QString &why) {
        say(u"the record stopped keeping readings: "_s + why);
    });
    QObject::connect(&session, &ScanSession::recordResumed, &session, [&say, &record] {
        say(u"the record keeps readings again; %1 that waited are being written"_s.arg(
            record->waitingReadings()));
    });
    ScanRun run(session, *port, timers);
    // Scripts take exit code 4 for a lost line: the scan ends there, as before.
    session.setStopOnLineLoss(true);
    QObject::connect(sessionEnd.get(), &SessionEndWatcher::endRequested, &run, &ScanRun::end);
    if (!options.quiet)
        QObject::connect(&run, &ScanRun::progressed, &run,
                         [&printer](const ScanRun::Progress &progress) { printer.show(progress); });
    if (!options.quiet)
        QObject::connect(&run, &ScanRun::notice, &run,
                         [&printer](const QString &text) { printer.line(text); });
    QObject::connect(&run, &ScanRun::finished, &app, [&](const ScanRun::Outcome &outcome) {
        if (outcome.exitCode != ScanRun::Done || !options.quiet)
            say(outcome.message);
        if (!forwarding) {
            QCoreApplication::exit(outcome.exitCode);
            return;
        }
        // The last readings go to the server before the program ends, if it
        // can be reached soon.
        const int exitCode = outcome.exitCode;
        const auto leave = [&say, forwarding, exitCode](bool allSent) {
            if (!allSent)
                say(u"readings not yet on %1 wait on this machine for the next run"_s.arg(
                    displayStoreUrl(forwarding->server())));
            QCoreApplication::exit(exitCode);
        };
        QObject::connect(forwarding, &ForwardingScanRecord::roundAskedForEnded, &app, leave);
        QTimer::singleShot(kForwardAtExit, &app, [leave] { leave(false); });
        // Asked again to end: the readings wait for the next run.
        QObject::connect(sessionEnd.get(), &SessionEndWatcher::endRequested, &app,
                         [leave] { leave(false); });
        forwarding->forwardNow();
    });

    if (!run.start(plan)) {
        say(run.outcome().message);
        return run.outcome().exitCode;
    }
    if (!options.quiet)
        say(u"scanning channels %1 to %2 on %3 every %4 s; Ctrl+C ends the scan and saves"_s
                .arg(options.startCh)
                .arg(options.endCh)
                .arg(plan.request.device)
                .arg(double(options.period.count()) / 1000));
    const int exitCode = QCoreApplication::exec();
    // From here on a signal ends the program at once, even while the record
    // waits for a server statement.
    sessionEnd.reset();
    return exitCode;
}
