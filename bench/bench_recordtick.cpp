#include "BigStore.h"
#include "Latencies.h"
#include "MainWindowFixture.h"
#include "ResultTable.h"
#include "ScannerModel.h"
#include "ThreadedScanRecord.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int kChannels = 100;
// Ticks come this far apart (a scan's are 200 ms or more), so that the
// record's thread writes as it does in a scan, a flush per reading or two,
// rather than in large batches.
constexpr qint64 kPaceNs = 10'000'000;

// The whole tick of a 100-channel scan through the main window on a fake port
// and fake timers: the query, the reply parsed, the cell stored, the reading
// handed to the record, the window updated and repainted. Arg: 0 without a
// record, 1 with an empty record, 2 with a record that holds ten million
// readings (kept in /var/tmp between runs). Second arg 1: every channel
// named, with names and notes as long as they may be.
void BM_WholeTick(benchmark::State &state)
{
    const int kind = int(state.range(0));
    const bool named = state.range(1) != 0;
    QTemporaryDir dir(u"/var/tmp/rozivoda-bench-XXXXXX"_s);
    QString path;
    if (kind == 1)
        path = dir.filePath(u"scans.sqlite"_s);
    if (kind == 2) {
        if (!bigstore::makeBigStore(bigstore::bigStorePath())) {
            state.SkipWithError("cannot build the big store");
            return;
        }
        path = bigstore::bigStorePath();
    }
    std::vector<double> micros;
    qint64 scan = -1;
    qint64 ticks = 0;
    {
        MainWindowFixture f;
        std::unique_ptr<ThreadedScanRecord> record;
        if (named) {
            ChannelNames names;
            for (int c = 0; c < kChannels; ++c)
                names.set(c,
                          u"Channel %1 "_s.arg(c).leftJustified(ChannelNames::kMaxNameLength, u'n'),
                          QString(ChannelNames::kMaxNoteLength, u'x'));
            names.save(*f.settings);
        }
        f.start();
        if (!path.isEmpty()) {
            record = std::make_unique<ThreadedScanRecord>(path);
            if (!record->open()) {
                state.SkipWithError(qPrintable(record->errorString()));
                return;
            }
            f.session->setRecord(record.get());
        }
        f.window->findChildren<QAction *>(u"mnuChNum"_s).at(9)->trigger();
        f.window->findChild<QLineEdit *>(u"txtTerm"_s)->setText(u"0.2"_s);
        trigger(*f.window, u"mnuScanStart"_s);
        scan = f.session->recordedScan();
        QList<QByteArray> replies;
        for (int c = 0; c < kChannels; ++c)
            replies << ScannerModel::replyText(c, 7);
        f.scanTimer()->fire(); // selects the first channel
        QCoreApplication::processEvents();

        int channel = 0;
        QElapsedTimer clock;
        clock.start();
        qint64 next = 0;
        for (auto _ : state) {
            while (clock.nsecsElapsed() < next)
                QThread::usleep(100);
            const qint64 begun = clock.nsecsElapsed();
            f.scanTimer()->fire();
            f.port.receive(replies.at(channel));
            QCoreApplication::processEvents();
            micros.push_back(double(clock.nsecsElapsed() - begun) / 1000.0);
            next = begun + kPaceNs;
            channel = channel == kChannels - 1 ? 0 : channel + 1;
            if ((++ticks & 0xff) == 0)
                f.port.written.clear();
        }
        trigger(*f.window, u"mnuScanStop"_s);
        if (record) {
            if (!record->waitForWritten(std::chrono::seconds(30))) {
                state.SkipWithError(qPrintable(record->errorString()));
                return;
            }
            state.counters["kept"] = double(record->scan(scan)->readings);
        }
        f.session->setRecord(nullptr);
    }
    if (kind == 2 && scan >= 0) {
        // The big store stays as it was for the next run.
        SqliteScanRecord cleanup(path);
        if (cleanup.open())
            cleanup.deleteScan(scan);
    }
    state.counters["ticks"] = double(ticks);
    reportLatencies(state, micros);
}

BENCHMARK(BM_WholeTick)
    ->ArgNames({ "record", "named" })
    ->Args({ 0, 0 })
    ->Args({ 0, 1 })
    ->Args({ 1, 0 })
    ->Args({ 1, 1 })
    ->Args({ 2, 0 })
    ->Iterations(10000)
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
