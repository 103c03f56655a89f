#include "FakeScanner.h"
#include "FakeTimer.h"
#include "LiveData.h"
#include "LogCategories.h"
#include "ResultTable.h"
#include "RotatingLog.h"
#include "ScanSession.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>

using namespace Qt::StringLiterals;

namespace {

constexpr int kChannels = 100;
constexpr std::chrono::milliseconds kTerm { 200 };
// Ticks whose cost is compared at the start and at the end.
constexpr int kSampleTicks = 10'000;

long residentKiB()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

qint64 folderBytes(const QString &path)
{
    qint64 bytes = 0;
    const QFileInfoList files = QDir(path).entryInfoList(QDir::Files);
    for (const QFileInfo &file : files)
        bytes += file.size();
    return bytes;
}

// Scanning 100 channels at the shortest term for the simulated hours given by
// ROZIVODA_SOAK_HOURS (24 by default), on a fake port and fake timers, with
// the line failing at random for 1 to 120 s about every 20 minutes; every
// message goes to a rotating log. Reports memory and the cost of a tick at the
// start and at the end, and the log's size.
void BM_Soak(benchmark::State &state)
{
    const double hours = qEnvironmentVariableIsSet("ROZIVODA_SOAK_HOURS")
        ? qEnvironmentVariable("ROZIVODA_SOAK_HOURS").toDouble()
        : 24.0;
    const qint64 ticks = qint64(hours * 3600 * 1000 / double(kTerm.count()));
    const qint64 ticksPerRetry = LineKeeper::kRetryInterval / kTerm;

    for (auto _ : state) {
        QTemporaryDir logDir;
        RotatingLog log(logDir.filePath(u"rozivoda.log"_s));
        RotatingLog::install(&log, false);

        FakeSerialPort port;
        FakeTimerFactory timers;
        ScanSession session(port, timers);
        // The live view's data follows the scan as in the program, reading the
        // values from the table.
        LiveData live;
        live.attachTable(&session.table());
        QObject::connect(&session, &ScanSession::scanStarted, &live,
                         [&live](const ScanSession::Request &started) {
                             live.reset(started.startCh, started.endCh, started.period);
                         });
        qint64 readings = 0;
        QObject::connect(&session, &ScanSession::readingDone, &live,
                         [&live, &readings](const Reading &reading) {
                             ++readings;
                             live.addReading(reading);
                         });
        FakeScanner scanner(port);
        FakeTimer *scanTimer = timers.timers.value(2);
        FakeTimer *keeperTimer = timers.timers.value(3);
        QRandomGenerator random(20261207);

        ScanSession::Request request;
        request.startCh = 0;
        request.endCh = kChannels - 1;
        request.period = kTerm;
        request.portName = u"com1"_s;
        request.device = u"/dev/ttyUSB0"_s;
        port.setDevice(request.device);
        session.start(request);

        const long rssStart = residentKiB();
        long rssAfterFirstHour = 0;
        qint64 readingsInFirstHour = 0;
        qint64 faults = 0;
        qint64 downTicks = 0;
        qint64 downLeft = 0;
        double firstCost = 0;
        double lastCost = 0;
        QElapsedTimer sample;
        for (qint64 tick = 0; tick < ticks; ++tick) {
            if (tick == 0 || tick == ticks - kSampleTicks)
                sample.start();
            if (downLeft == 0 && port.isOpen() && random.bounded(6000) == 0) {
                port.failLine(u"device gone"_s);
                port.openFails = true;
                downLeft = 1 + random.bounded(600);
                ++faults;
            }
            if (downLeft > 0 && --downLeft == 0)
                port.openFails = false;
            if (session.isReconnecting()) {
                ++downTicks;
                if (tick % ticksPerRetry == 0)
                    keeperTimer->fire();
            }
            scanTimer->fire();
            QCoreApplication::processEvents();
            // The fake port and the simulated scanner keep every byte written,
            // for the tests; a real line keeps nothing, and the memory figure
            // is the program's.
            port.written.clear();
            scanner.model.clearWireLog();
            if (tick == kSampleTicks - 1)
                firstCost = double(sample.nsecsElapsed()) / kSampleTicks / 1000;
            if (tick == ticks - 1)
                lastCost = double(sample.nsecsElapsed()) / kSampleTicks / 1000;
            if (tick == 3600 * 1000 / kTerm.count()) {
                rssAfterFirstHour = residentKiB();
                readingsInFirstHour = readings;
            }
        }
        const long rssEnd = residentKiB();
        qInfo(lcScan, "soak done");
        RotatingLog::uninstall();

        state.counters["hours"] = hours;
        state.counters["ticks"] = double(ticks);
        state.counters["faults"] = double(faults);
        state.counters["ticks_without_line"] = double(downTicks);
        state.counters["rows"] = session.table().rows() - 1;
        state.counters["tick_us_first10k"] = firstCost;
        state.counters["tick_us_last10k"] = lastCost;
        state.counters["rss_kib_start"] = double(rssStart);
        state.counters["rss_kib_1h"] = double(rssAfterFirstHour);
        state.counters["rss_kib_end"] = double(rssEnd);
        // Memory a reading costs, the table and the live view's data included.
        state.counters["readings"] = double(readings);
        state.counters["rss_bytes_per_reading"]
            = double(rssEnd - rssStart) * 1024 / double(std::max<qint64>(readings, 1));
        // The same from the first hour on, past what the first ticks set up once.
        state.counters["rss_bytes_per_reading_after_1h"] = double(rssEnd - rssAfterFirstHour) * 1024
            / double(std::max<qint64>(readings - readingsInFirstHour, 1));
        state.counters["table_bytes_per_reading"]
            = double(session.table().memoryUsage()) / double(std::max<qint64>(readings, 1));
        state.counters["live_bytes_per_reading"]
            = double(live.trendBytes()) / double(std::max<qint64>(readings, 1));
        state.counters["log_bytes"] = double(folderBytes(logDir.path()));
        state.counters["log_files"] = double(QDir(logDir.path()).entryList(QDir::Files).size());
        session.stop();
    }
}
BENCHMARK(BM_Soak)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
