#include "GridLayout.h"
#include "PtyScanner.h"
#include "QtSerialPort.h"
#include "ResultFileReader.h"
#include "ResultFileWriter.h"
#include "ResultTable.h"
#include "ScannerModel.h"
#include "SqliteScanRecord.h"
#include "ZeroHistory.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/stat.h>
#endif

using namespace Qt::StringLiterals;

namespace {

constexpr int kFinishMs = 30000;

// The program as a rig runs it: no display, output captured.
// Its default record goes to stateDir, not to the user's own.
struct ScanProcess
{
    explicit ScanProcess(const QString &state) : stateDir(state) { }

    QProcess process;
    QString stateDir;

    void start(const QStringList &arguments)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
            env.remove(QString::fromLatin1(name));
        env.insert(u"XDG_STATE_HOME"_s, stateDir);
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(ROZIVODA_SCAN_BINARY), arguments);
    }
    QString errors() { return QString::fromLocal8Bit(process.readAllStandardError()); }
};

// A scan of channels start to end for passes complete passes, as the window's
// table holds it when nothing fails.
void fillExpected(ResultTable &table, int start, int end, int passes)
{
    table.setLayout(gridLayoutFor(start, end));
    const int channels = end - start + 1;
    for (int pass = 0; pass < passes; ++pass) {
        const int row = table.appendRow();
        table.setText(row, 0, QString::number(row));
        for (int ch = start; ch <= end; ++ch)
            table.setText(row, 1 + ch - start,
                          ScannerModel::valueText(ch, quint64(1 + pass * channels + ch - start)));
        table.setText(row, channels + 1, QString::fromLatin1(ScannerModel::unitText()));
    }
}

QByteArray windowBytes(const ResultTable &table)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ResultFileWriter writer;
    if (!writer.write(&buffer, table))
        qWarning("%s", qPrintable(writer.errorString()));
    return buffer.data();
}

} // namespace

class tst_Cli : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void finiteScanWritesTheWindowsFile();
    void readingsGoToTheRecordAndTheCsv();
    void csvToStandardOutputAndShortVersion();
    void zeroPassesLeftOutOfFilesAndKeptInRecord();
    void endRequestSavesWhatWasTaken_data();
    void endRequestSavesWhatWasTaken();
    void lostLineSavesAndEndsWith4();
    void recordHeldByAnotherProgram_data();
    void recordHeldByAnotherProgram();
    void refusedBeforeScanning_data();
    void refusedBeforeScanning();

private:
    std::unique_ptr<PtyScanner> m_scanner;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_Cli::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_scanner = std::make_unique<PtyScanner>();
    if (!m_scanner->start())
        QSKIP(qPrintable(u"no pseudo-terminal available: "_s + m_scanner->errorString()));
}

void tst_Cli::finiteScanWritesTheWindowsFile()
{
    const QString out = m_dir->filePath(u"scan.txt"_s);
    ScanProcess scan(m_dir->filePath(u"state"_s));
    scan.start({ u"--device"_s, m_scanner->devicePath(), u"--range"_s, u"2-6"_s, u"--term"_s,
                 u"0.2"_s, u"--passes"_s, u"3"_s, u"--out"_s, out });
    QTRY_VERIFY_WITH_TIMEOUT(scan.process.state() == QProcess::NotRunning, kFinishMs);
    const QString errors = scan.errors();
    QCOMPARE(scan.process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(scan.process.exitCode() == 0, qPrintable(errors));
    QVERIFY2(errors.contains(u"3 passes"_s), qPrintable(errors));

    ResultTable read;
    ResultFileReader reader(read);
    QCOMPARE(reader.read(out), ResultFileReader::Outcome::Loaded);
    ResultTable expected;
    fillExpected(expected, 2, 6, 3);
    QCOMPARE(read.rows(), expected.rows());
    QCOMPARE(read.cols(), expected.cols());
    for (int row = 0; row < expected.rows(); ++row)
        for (int col = 0; col < expected.cols(); ++col)
            QCOMPARE(read.text(row, col), expected.text(row, col));

    QFile file(out);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), windowBytes(expected));

    // Without --store, in the window's own record, which lists it.
    SqliteScanRecord record(m_dir->filePath(u"state/ROZIVODA/scans.sqlite"_s));
    QVERIFY(record.open());
    QCOMPARE(record.listScans().size(), 1);
    QCOMPARE(record.listScans().first().readings, 15);
}

void tst_Cli::readingsGoToTheRecordAndTheCsv()
{
    const QString store = m_dir->filePath(u"record.sqlite"_s);
    const QString out = m_dir->filePath(u"scan.txt"_s);
    const QString csv = m_dir->filePath(u"scan.csv"_s);
    QFile names(m_dir->filePath(u"names.csv"_s));
    QVERIFY(names.open(QIODevice::WriteOnly) && names.write("3,Inlet static,tap A\n") > 0);
    names.close();
    ScanProcess scan(m_dir->filePath(u"state"_s));
    scan.start({ u"--device"_s, m_scanner->devicePath(), u"--range"_s, u"2-4"_s, u"--term"_s,
                 u"0.2"_s, u"--passes"_s, u"2"_s, u"--store"_s, u"sqlite:"_s + store, u"--csv"_s,
                 csv, u"--out"_s, out, u"--channel-names"_s, names.fileName() });
    QTRY_VERIFY_WITH_TIMEOUT(scan.process.state() == QProcess::NotRunning, kFinishMs);
    const QString errors = scan.errors();
    QVERIFY2(scan.process.exitCode() == 0, qPrintable(errors));

    SqliteScanRecord record(store);
    QVERIFY(record.open());
    const QList<ScanSummary> scans = record.listScans();
    QCOMPARE(scans.size(), 1);
    QCOMPARE(scans.first().state, ScanState::Saved);
    QCOMPARE(scans.first().savedFile, out);
    QCOMPARE(scans.first().passes, 2);
    QCOMPARE(scans.first().info.names.note(3), u"tap A"_s);
    // The result file's format is fixed: its labels stay "Ch NN".
    QFile result(out);
    QVERIFY(result.open(QIODevice::ReadOnly));
    QVERIFY(result.readAll().contains("\"ID\",\"Ch 02\",\"Ch 03\",\"Ch 04\",\"Unit\"\r\n"));
    const QList<Reading> readings = record.loadScan(scans.first().id);
    QCOMPARE(readings.size(), 6);
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(readings[i].pass, 1 + i / 3);
        QCOMPARE(readings[i].channel, 2 + i % 3);
        QCOMPARE(readings[i].value, ScannerModel::valueText(2 + i % 3, quint64(1 + i)));
    }

    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QVERIFY2(lines.first().startsWith("\xEF\xBB\xBFpass,time,Ch 02,Ch 03 Inlet static,Ch 04,unit"),
             lines.first().constData());
    QCOMPARE(lines.size(), 4); // a header, two passes and the last line's end
    QVERIFY2(lines[1].startsWith("1,") && lines[1].contains(ScannerModel::valueText(2, 1).toUtf8()),
             lines[1].constData());
}

// The zero passes are the record's, not the files': the result file starts
// after them as read, the CSV zeroed by the mean of them, marked.
void tst_Cli::zeroPassesLeftOutOfFilesAndKeptInRecord()
{
    const QString store = m_dir->filePath(u"record.sqlite"_s);
    const QString out = m_dir->filePath(u"scan.txt"_s);
    const QString csv = m_dir->filePath(u"scan.csv"_s);
    ScanProcess scan(m_dir->filePath(u"state"_s));
    scan.start({ u"--device"_s, m_scanner->devicePath(), u"--range"_s, u"2-3"_s, u"--term"_s,
                 u"0.2"_s, u"--zero-passes"_s, u"2"_s, u"--passes"_s, u"1"_s, u"--store"_s,
                 u"sqlite:"_s + store, u"--csv"_s, csv, u"--out"_s, out });
    QTRY_VERIFY_WITH_TIMEOUT(scan.process.state() == QProcess::NotRunning, kFinishMs);
    const QString errors = scan.errors();
    QVERIFY2(scan.process.exitCode() == 0, qPrintable(errors));
    QVERIFY2(errors.contains(u"zeroed on 2 passes"_s), qPrintable(errors));

    SqliteScanRecord record(store);
    QVERIFY(record.open());
    const qint64 id = record.listScans().first().id;
    const QList<Reading> readings = record.loadScan(id);
    QCOMPARE(readings.size(), 6);
    const QList<ZeroSet> zeros = record.zeroSets(id);
    QCOMPARE(zeros.size(), 1);
    QCOMPARE(zeros.first().passes, 2);
    QCOMPARE(zeros.first().firstPass, 3);
    ZeroHistory history;
    history.add(zeros.first());
    QStringList expected { u"3"_s };
    for (int channel = 0; channel < 2; ++channel) {
        const auto mean
            = DecimalValue::mean({ *DecimalValue::fromText(readings[channel].value),
                                   *DecimalValue::fromText(readings[2 + channel].value) });
        QCOMPARE(zeros.first().offsets.value(2 + channel), *mean);
        expected += history.zeroed(3, 2 + channel, readings[4 + channel].value);
    }

    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY2(lines[0].endsWith(",unit,zero\r"), lines[0].constData());
    const QList<QByteArray> fields = lines[1].split(',');
    QCOMPARE((QStringList { QString::fromUtf8(fields[0]), QString::fromUtf8(fields[2]),
                            QString::fromUtf8(fields[3]) }),
             expected);
    QVERIFY2(fields.last().startsWith("zeroed at "), lines[1].constData());

    ResultTable read;
    ResultFileReader reader(read);
    QCOMPARE(reader.read(out), ResultFileReader::Outcome::Loaded);
    QCOMPARE(read.rows(), 2);
    QCOMPARE(read.text(1, 0), u"3"_s);
    QCOMPARE(float(read.dataCells().number(0, 1)), float(readings[4].value.toDouble()));
}

void tst_Cli::csvToStandardOutputAndShortVersion()
{
    ScanProcess version(m_dir->filePath(u"state"_s));
    version.start({ u"-v"_s });
    QTRY_VERIFY_WITH_TIMEOUT(version.process.state() == QProcess::NotRunning, kFinishMs);
    QCOMPARE(version.process.exitCode(), 0);
    QVERIFY(version.process.readAllStandardOutput().startsWith("rozivoda-scan "));

    // "-" is the standard output, as other tools take it, not a file named "-".
    QFile names(m_dir->filePath(u"names.csv"_s));
    QVERIFY(names.open(QIODevice::WriteOnly) && names.write("2\tInlet static\n") > 0);
    names.close();
    ScanProcess scan(m_dir->filePath(u"state"_s));
    scan.process.setWorkingDirectory(m_dir->path());
    scan.start({ u"--device"_s, m_scanner->devicePath(), u"--range"_s, u"2"_s, u"--term"_s,
                 u"0.2"_s, u"--passes"_s, u"1"_s, u"--csv"_s, u"-"_s, u"--channel-names"_s,
                 names.fileName() });
    QTRY_VERIFY_WITH_TIMEOUT(scan.process.state() == QProcess::NotRunning, kFinishMs);
    const QString errors = scan.errors();
    QVERIFY2(scan.process.exitCode() == 0, qPrintable(errors));
    const QByteArray csv = scan.process.readAllStandardOutput();
    QVERIFY2(csv.startsWith("\xEF\xBB\xBFpass,time,Ch 02 Inlet static,unit\r\n1,"),
             csv.constData());
    QVERIFY(!QFileInfo::exists(m_dir->filePath(u"-"_s)));
}

void tst_Cli::endRequestSavesWhatWasTaken_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<QString>("name");
#ifdef Q_OS_UNIX
    QTest::newRow("Ctrl+C") << int(SIGINT) << u"SIGINT"_s;
    QTest::newRow("SIGTERM") << int(SIGTERM) << u"SIGTERM"_s;
#endif
}

void tst_Cli::endRequestSavesWhatWasTaken()
{
#ifndef Q_OS_UNIX
    QSKIP("no POSIX signals here");
#else
    QFETCH(int, signalNumber);
    QFETCH(QString, name);
    const QString out = m_dir->filePath(u"interrupted.txt"_s);
    ScanProcess scan(m_dir->filePath(u"state"_s));
    scan.start({ u"--device"_s, m_scanner->devicePath(), u"--range"_s, u"0-3"_s, u"--term"_s,
                 u"0.2"_s, u"--out"_s, out });
    // Into the second pass, so that a whole row and a part of one are taken.
    QTRY_VERIFY_WITH_TIMEOUT(m_scanner->model().queriesReceived() >= 7, kFinishMs);
    QVERIFY(scan.process.state() == QProcess::Running);
    ::kill(pid_t(scan.process.processId()), signalNumber);
    QTRY_VERIFY_WITH_TIMEOUT(scan.process.state() == QProcess::NotRunning, kFinishMs);
    const QString errors = scan.errors();
    QCOMPARE(scan.process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(scan.process.exitCode() == 0, qPrintable(errors));
    QVERIFY2(errors.contains(u"ended by "_s + name), qPrintable(errors));

    ResultTable read;
    ResultFileReader reader(read);
    QCOMPARE(reader.read(out), ResultFileReader::Outcome::Loaded);
    QVERIFY2(read.rows() >= 3, qPrintable(QString::number(read.rows())));
    for (int ch = 0; ch <= 3; ++ch)
        QCOMPARE(read.text(1, 1 + ch), ScannerModel::valueText(ch, quint64(1 + ch)));
    QCOMPARE(read.text(2, 1), ScannerModel::valueText(0, 5));
#endif
}

void tst_Cli::lostLineSavesAndEndsWith4()
{
    m_scanner->model().options().closeAfterQueries = 6;
    const QString out = m_dir->filePath(u"lost.txt"_s);
    ScanProcess scan(m_dir->filePath(u"state"_s));
    scan.start({ u"--device"_s, m_scanner->devicePath(), u"--range"_s, u"0-3"_s, u"--term"_s,
                 u"0.2"_s, u"--out"_s, out });
    QTRY_VERIFY_WITH_TIMEOUT(scan.process.state() == QProcess::NotRunning, kFinishMs);
    const QString errors = scan.errors();
    QVERIFY2(scan.process.exitCode() == 4, qPrintable(errors));
    QVERIFY2(errors.contains(u"lost"_s), qPrintable(errors));
    ResultTable read;
    ResultFileReader reader(read);
    QCOMPARE(reader.read(out), ResultFileReader::Outcome::Loaded);
    QCOMPARE(read.text(1, 4), ScannerModel::valueText(3, 4));
}

void tst_Cli::recordHeldByAnotherProgram_data()
{
    QTest::addColumn<bool>("heldToTheEnd");
    QTest::newRow("for a few seconds") << false;
    QTest::newRow("to the end") << true;
}

// Another program holds the record's file for longer than a write waits: the
// readings wait in memory and go in once it lets go; if it never does, the
// scan ends with exit code 5 and says how many readings were not kept.
void tst_Cli::recordHeldByAnotherProgram()
{
    QFETCH(bool, heldToTheEnd);
    const QString store = m_dir->filePath(u"record.sqlite"_s);
    ScanProcess scan(m_dir->filePath(u"state"_s));
    scan.start({ u"--device"_s, m_scanner->devicePath(), u"--range"_s, u"0-3"_s, u"--term"_s,
                 u"0.2"_s, u"--passes"_s, u"4"_s, u"--store"_s, u"sqlite:"_s + store });
    QTRY_VERIFY_WITH_TIMEOUT(m_scanner->model().queriesReceived() >= 3, kFinishMs);
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"other"_s);
        other.setDatabaseName(store);
        other.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=5000"_s);
        QVERIFY(other.open());
        QSqlQuery hold(other);
        QVERIFY2(hold.exec(u"BEGIN IMMEDIATE"_s), qPrintable(hold.lastError().text()));
        if (heldToTheEnd)
            QTRY_VERIFY_WITH_TIMEOUT(scan.process.state() == QProcess::NotRunning, kFinishMs);
        else
            QTest::qWait(2500);
        QVERIFY(hold.exec(u"ROLLBACK"_s));
    }
    QSqlDatabase::removeDatabase(u"other"_s);
    QTRY_VERIFY_WITH_TIMEOUT(scan.process.state() == QProcess::NotRunning, kFinishMs);
    const QString errors = scan.errors();
    SqliteScanRecord record(store);
    QVERIFY(record.open());
    const qint64 kept = record.loadScan(record.listScans().first().id).size();
    if (heldToTheEnd) {
        QVERIFY2(scan.process.exitCode() == 5, qPrintable(errors));
        QVERIFY2(errors.contains(u"the record could not keep %1 readings"_s.arg(16 - kept)),
                 qPrintable(errors));
    } else {
        QVERIFY2(scan.process.exitCode() == 0, qPrintable(errors));
        QVERIFY2(errors.contains(u"the record keeps readings again"_s), qPrintable(errors));
        QCOMPARE(kept, 16);
    }
}

void tst_Cli::refusedBeforeScanning_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("portHeldElsewhere");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    const QString out = u"--out=OUT"_s;
    const QString device = u"--device=PTY"_s;
    const auto bad = [&](const char *name, QStringList arguments, const QString &message) {
        QTest::newRow(name) << arguments << false << 1 << message;
    };
    bad("no scanner named", { out }, u"--port 1|2, --device PATH or --demo"_s);
    bad("two scanners named", { u"--port=1"_s, u"--demo"_s, out }, u"exclude"_s);
    bad("port 3", { u"--port=3"_s, out }, u"--port takes 1 or 2"_s);
    bad("range backwards", { device, u"--range=7-2"_s, out }, u"--range"_s);
    bad("channel 100", { device, u"--range=0-100"_s, out }, u"--range"_s);
    bad("range not numbers", { device, u"--range=a-b"_s, out }, u"--range"_s);
    bad("term not a number", { device, u"--term=fast"_s, out }, u"--term"_s);
    bad("term too long", { device, u"--term=3000000"_s, out }, u"too long"_s);
    bad("no passes", { device, u"--passes=0"_s, out }, u"--passes"_s);
    bad("no zero passes", { device, u"--zero-passes=0"_s, out }, u"--zero-passes"_s);
    bad("duration unit", { device, u"--duration=10y"_s, out }, u"--duration"_s);
    bad("duration zero", { device, u"--duration=0s"_s, out }, u"--duration"_s);
    bad("store not a database", { device, u"--store=mysql://lab/db"_s }, u"--store"_s);
    bad("server without database", { device, u"--store=postgresql://rig@lab"_s }, u"--store"_s);
    bad("unknown option", { device, out, u"--no-such-option"_s }, u"no-such-option"_s);
    bad("one file for two outputs", { device, out, u"--csv=OUT"_s }, u"same file"_s);
    bad("names file missing", { device, out, u"--channel-names=/no-such-names.csv"_s },
        u"--channel-names: cannot read /no-such-names.csv"_s);
    bad("names file wrong", { device, out, u"--channel-names=NAMES"_s },
        u"line 2: channel 3 is named twice"_s);
    bad("settle most without tolerance", { device, out, u"--settle-max=3"_s },
        u"--settle-max needs --settle-tolerance"_s);
    bad("settle tolerance below 0", { device, out, u"--settle-tolerance=-0.1"_s },
        u"--settle-tolerance"_s);
    bad("settle tolerance not a number", { device, out, u"--settle-tolerance=nan"_s },
        u"--settle-tolerance"_s);
    bad("no further query", { device, out, u"--settle-tolerance=0.01"_s, u"--settle-max=0"_s },
        u"--settle-max"_s);

    QTest::newRow("missing device") << QStringList { u"--device=/dev/no-such-tty"_s, out } << false
                                    << 2 << u"/dev/no-such-tty"_s;
    QTest::newRow("port held by another program")
        << QStringList { device, out } << true << 2 << u"another program"_s;
    QTest::newRow("result folder missing")
        << QStringList { device, u"--out=/no-such-folder/scan.txt"_s } << false << 3
        << u"/no-such-folder/scan.txt"_s;
    // Saving renames a new file over the old: a pipe would become a file.
    QTest::newRow("output is a pipe")
        << QStringList { device, u"--csv=FIFO"_s } << false << 3 << u"not a regular file"_s;
}

void tst_Cli::refusedBeforeScanning()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, portHeldElsewhere);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const QString out = m_dir->filePath(u"refused.txt"_s);
    for (QString &argument : arguments)
        argument.replace(u"OUT"_s, out).replace(u"PTY"_s, m_scanner->devicePath());
    QFile names(m_dir->filePath(u"names.csv"_s));
    QVERIFY(names.open(QIODevice::WriteOnly) && names.write("3,a\n3,b\n") > 0);
    names.close();
    arguments.replaceInStrings(u"NAMES"_s, names.fileName());
    const QString fifo = m_dir->filePath(u"fifo"_s);
    if (arguments.contains(u"--csv=FIFO"_s)) {
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        arguments.replaceInStrings(u"FIFO"_s, fifo);
    }
    QtSerialPort holder;
    holder.setDevice(m_scanner->devicePath());
    if (portHeldElsewhere)
        QVERIFY(holder.open());

    ScanProcess scan(m_dir->filePath(u"state"_s));
    scan.start(arguments);
    QTRY_VERIFY_WITH_TIMEOUT(scan.process.state() == QProcess::NotRunning, kFinishMs);
    const QString errors = scan.errors();
    QCOMPARE(scan.process.exitCode(), exitCode);
    QVERIFY2(errors.contains(message), qPrintable(errors));
    QCOMPARE(errors.count(u'\n'), 1);
    QVERIFY(!QFile::exists(out));
    QCOMPARE(m_scanner->model().queriesReceived(), 0u);
    if (QFile::exists(fifo))
        QVERIFY(!QFileInfo(fifo).isFile());
}

QTEST_GUILESS_MAIN(tst_Cli)
#include "tst_cli.moc"
