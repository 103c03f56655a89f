// Opening a large result file through the real main window (offscreen) until
// its last row is in the view, against pandas.read_csv on the same file in the
// same run, so that a cost added anywhere on the path shows up as a ratio.
// Also the resident memory per cell after Open and at the peak during Open.
//
// ROZIVODA_OPEN_ROWS sets the rows (300,000 by default, 100 channels each:
// about 209 MB); the file is made once in a temporary folder.

#include "MainWindowFixture.h"
#include "ResultTable.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QProcess>
#include <QRandomGenerator>
#include <QTableView>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <malloc.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int kChannels = 100;

qint64 statusKiB(const char *field)
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

// Starts a new peak for VmHWM.
void resetPeak()
{
    QFile refs(u"/proc/self/clear_refs"_s);
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

struct ResultFile
{
    QTemporaryDir dir;
    QString path;
    qint64 rows = 0;
    qint64 bytes = 0;

    ResultFile()
    {
        rows = qEnvironmentVariableIsSet("ROZIVODA_OPEN_ROWS")
            ? qEnvironmentVariableIntValue("ROZIVODA_OPEN_ROWS")
            : 300'000;
        path = dir.filePath(u"large.txt"_s);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(path));
        QByteArray line = "\"VESTRA-IP Scanning Pressure Data\"\r\n\"ID\"";
        for (int c = 1; c <= kChannels; ++c)
            line += ",\"Ch " + QByteArray::number(c).rightJustified(2, '0') + '"';
        line += ",\"Unit\"\r\n";
        file.write(line);
        // Readings as a scanner gives them: four decimals, a slow drift and noise.
        QRandomGenerator random(20261207);
        char text[32];
        for (qint64 row = 1; row <= rows; ++row) {
            line = QByteArray::number(row);
            for (int c = 1; c <= kChannels; ++c) {
                const double value = 1.0 + 0.05 * c + 0.5 * double(row % 5000) / 5000.0
                    + random.generateDouble() * 0.01;
                const int length = std::snprintf(text, sizeof text, ",%.4f", value);
                line.append(text, length);
            }
            line += ",\"kgf/cm2\"\r\n";
            file.write(line);
        }
        bytes = file.size();
    }
};

ResultFile &resultFile()
{
    static ResultFile instance;
    return instance;
}

// Seconds pandas.read_csv takes on the file, timed inside Python so that its
// start-up and the import are left out; negative when pandas cannot run
// (ROZIVODA_PYTHON names the interpreter).
double pandasSeconds(const QString &path)
{
    // Debian's python3 has Debian's pandas; another python3 may come first on PATH.
    QString program = qEnvironmentVariable("ROZIVODA_PYTHON");
    if (program.isEmpty())
        program = QFile::exists(u"/usr/bin/python3"_s) ? u"/usr/bin/python3"_s : u"python3"_s;
    QProcess python;
    python.start(program,
                 { u"-c"_s,
                   u"import sys, time, pandas\n"
                   "start = time.perf_counter()\n"
                   "frame = pandas.read_csv(sys.argv[1], skiprows=1, encoding='cp949')\n"
                   "print(time.perf_counter() - start, frame.shape[0])\n"_s,
                   path });
    if (!python.waitForFinished(600'000) || python.exitCode() != 0)
        return -1;
    return python.readAllStandardOutput().split(' ').value(0).toDouble();
}

void BM_OpenThroughWindowAgainstPandas(benchmark::State &state)
{
    ResultFile &file = resultFile();
    const double cells = double(file.rows) * kChannels;
    double openSum = 0;
    double pandasSum = 0;
    bool first = true;
    for (auto _ : state) {
        malloc_trim(0);
        MainWindowFixture f;
        frmMain &window = f.start();
        window.resize(900, 700);
        // With the live view open, Open also reads the table for it.
        const bool liveViewOpen = state.range(0) == 1;
        if (liveViewOpen)
            trigger(window, u"mnuViewLive"_s);
        QApplication::processEvents();
        auto *grid = f.find<QTableView>(u"fgdData"_s);
        const ResultTable &table = f.session->table();
        malloc_trim(0);
        const qint64 rssBefore = statusKiB("VmRSS:");
        resetPeak();

        QElapsedTimer timer;
        timer.start();
        window.openFile(file.path);
        grid->scrollToBottom();
        grid->viewport()->repaint();
        QApplication::processEvents();
        const double openSeconds = double(timer.nsecsElapsed()) / 1e9;
        state.SetIterationTime(openSeconds);

        const int lastRow = table.rowCount() - 1;
        const QRect lastCell = grid->visualRect(grid->model()->index(lastRow, 1));
        if (lastRow + 1 != file.rows || !grid->viewport()->rect().intersects(lastCell)) {
            state.SkipWithError("the last row is not in the view");
            break;
        }
        const qint64 rssAfter = statusKiB("VmRSS:");
        const qint64 peak = statusKiB("VmHWM:");
        if (first) {
            const double tableBytes = double(table.memoryUsage());
            state.counters["table_bytes_per_cell"] = tableBytes / cells;
            state.counters["rss_bytes_per_cell_after_open"]
                = double(rssAfter - rssBefore) * 1024 / cells;
            state.counters["peak_bytes_per_cell_during_open"]
                = double(peak - rssBefore) * 1024 / cells;
            state.counters["peak_over_table"] = double(peak - rssBefore) * 1024 / tableBytes;
            first = false;
        }
        openSum += openSeconds;
        state.PauseTiming();
        pandasSum += pandasSeconds(file.path);
        state.ResumeTiming();
    }
    const double runs = double(state.iterations());
    state.counters["file_MB"] = double(file.bytes) / 1e6;
    state.counters["open_s"] = openSum / runs;
    state.counters["pandas_read_csv_s"] = pandasSum / runs;
    state.counters["open_faster_than_pandas_x"] = pandasSum / openSum;
}
BENCHMARK(BM_OpenThroughWindowAgainstPandas)
    ->ArgName("live_view_open")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
