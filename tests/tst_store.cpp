#include "CsvExport.h"
#include "GridLayout.h"
#include "ResultTable.h"
#include "ScanTableBuilder.h"
#include "SqliteScanRecord.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cmath>
#include <csignal>
#include <ctime>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QDateTime kStart = QDateTime::fromMSecsSinceEpoch(1796640000000, Qt::UTC);

Reading reading(int pass, int channel, qint64 atMs, const QString &value,
                Reading::Status status = Reading::Status::Taken, const QByteArray &raw = {},
                bool givenUp = false)
{
    Reading r;
    r.pass = pass;
    r.channel = channel;
    r.time = kStart.addMSecs(atMs);
    r.value = value;
    r.unit = status == Reading::Status::Taken ? u"kgf/cm2"_s : QString();
    r.status = status;
    r.raw = raw;
    r.givenUp = givenUp;
    return r;
}

ScanInfo info(int start = 3, int end = 4)
{
    ScanInfo scan;
    scan.start = kStart;
    scan.portName = u"com1"_s;
    scan.device = u"/dev/ttyUSB0"_s;
    scan.startChannel = start;
    scan.endChannel = end;
    scan.term = std::chrono::milliseconds(200);
    return scan;
}

void compareReadings(const QList<Reading> &actual, const QList<Reading> &expected)
{
    QCOMPARE(actual.size(), expected.size());
    for (qsizetype i = 0; i < actual.size(); ++i) {
        const Reading &a = actual.at(i);
        const Reading &e = expected.at(i);
        QCOMPARE(a.pass, e.pass);
        QCOMPARE(a.channel, e.channel);
        QCOMPARE(a.time, e.time);
        QCOMPARE(a.value, e.value);
        QCOMPARE(a.unit, e.unit);
        QCOMPARE(a.status, e.status);
        QCOMPARE(a.raw, e.raw);
        QCOMPARE(a.givenUp, e.givenUp);
        QCOMPARE(a.settleQueries, e.settleQueries);
        QCOMPARE(a.settleMs, e.settleMs);
        QCOMPARE(a.settled, e.settled);
        QVERIFY(a.settleSpread == e.settleSpread
                || (std::isnan(a.settleSpread) && std::isnan(e.settleSpread)));
    }
}

// Fills the table as the scan cycle does: a row per pass with its ID and
// start time, the unit of the pass's first value, given-up cells marked.
void fillAsTheScan(ResultTable &table, int startChannel, const QList<Reading> &readings)
{
    int unitRow = 0;
    for (const Reading &r : readings) {
        if (r.pass >= table.rows()) {
            const int row = table.appendRow();
            table.setText(row, 0, QString::number(row));
            table.setRowTime(row, r.time);
        }
        const int column = r.channel - startChannel + 1;
        if (r.taken()) {
            table.setText(r.pass, column, r.value);
            if (unitRow != r.pass) {
                table.setText(r.pass, table.cols() - 1, r.unit);
                unitRow = r.pass;
            }
        } else if (r.givenUp) {
            table.markCell(r.pass, column, r.failureText());
        }
    }
}

bool mountTmpfs(const QString &dir, const QString &options)
{
    if (::geteuid() != 0)
        return false;
    return QProcess::execute(u"mount"_s, { u"-t"_s, u"tmpfs"_s, u"-o"_s, options, u"tmpfs"_s, dir })
        == 0;
}

} // namespace

class tst_Store : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void readingsRoundTrip();
    void unfinishedScanIsOffered();
    void killedWriterLosesNoCommittedReading();
    void busyFileKeepsReadingsInOrder();
    void unusableLocation_data();
    void unusableLocation();
    void damagedFileMovedAside_data();
    void damagedFileMovedAside();
    void fullDiskStopsTheRecord();
    void migratesFromVersionOne();
    void retention_data();
    void retention();
    void restoredTableMatchesTheScan_data();
    void restoredTableMatchesTheScan();
    void csvExport();
    void namesKeptWithTheScan();
    void twoProgramsOnOneFile();
    void impossibleScanIsNotRestored_data();
    void impossibleScanIsNotRestored();
    void readingsViewGivesNumbers();
    void filesAreTheUsersOnly();

private:
    QTemporaryDir m_dir;
};

void tst_Store::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // Local times in the exports are checked against a fixed zone.
    qputenv("TZ", "KST-9");
    ::tzset();
}

void tst_Store::readingsRoundTrip()
{
    const QString path = m_dir.filePath(u"roundtrip/scans.sqlite"_s);
    QList<Reading> taken {
        reading(1, 3, 200, u"-0.0123"_s),
        reading(1, 4, 400, {}, Reading::Status::NoReply),
        reading(1, 4, 600, {}, Reading::Status::Unreadable, "\xff\x01 1.2,kg\n\r"),
        reading(1, 4, 800, {}, Reading::Status::NoReply, "0.1", true),
        reading(2, 3, 1000, u"1E-05"_s),
        reading(2, 4, 1200, {}, Reading::Status::LineLost, "write failed", true),
    };
    Reading manual = reading(0, 7, 5000, u"12.5"_s);
    manual.unit = u"단위"_s;
    ZeroSet zero;
    zero.takenAt = kStart.addSecs(1);
    zero.passes = 1;
    zero.firstPass = 2;
    QVERIFY(zero.setOffsetsText(u"3=-0.012;4=1E-05"_s));
    zero.unit = u"단위"_s;
    // Taken with the settle check: settled, not settled, and without time
    // for a second reply.
    QList<Reading> checked { reading(3, 3, 1400, u"1.5"_s), reading(3, 4, 1600, u"2.5"_s),
                             reading(4, 3, 1800, u"1.5"_s) };
    checked[0].settleQueries = 3;
    checked[0].settleMs = 512;
    checked[0].settleSpread = 0.0004;
    checked[1].settleQueries = 5;
    checked[1].settleMs = 930;
    checked[1].settleSpread = 0.25;
    checked[1].settled = false;
    checked[2].settleQueries = 1;
    checked[2].settleMs = 190;
    checked[2].settleSpread = qQNaN();
    checked[2].settled = false;
    taken += checked;
    {
        SqliteScanRecord record(path);
        QVERIFY2(record.open(), qPrintable(record.errorString()));
        QVERIFY(record.addReading(manual)); // no scan begun: a manual reading
        const qint64 id = record.beginScan(info());
        QVERIFY(id > 0);
        for (const Reading &r : taken)
            QVERIFY(record.addReading(r));
        QVERIFY(record.addZeroSet(zero));
        QVERIFY(record.endScan(ScanState::Stopped, kStart.addSecs(2)));
        QVERIFY(record.markSaved(id, u"/data/run.txt"_s));
    }
    SqliteScanRecord record(path);
    QVERIFY(record.open());
    const QList<ScanSummary> scans = record.listScans();
    QCOMPARE(scans.size(), 1);
    const ScanSummary &scan = scans.first();
    QCOMPARE(scan.info.start, kStart);
    QCOMPARE(scan.end, kStart.addSecs(2));
    QCOMPARE(scan.info.portName, u"com1"_s);
    QCOMPARE(scan.info.device, u"/dev/ttyUSB0"_s);
    QCOMPARE(scan.info.startChannel, 3);
    QCOMPARE(scan.info.endChannel, 4);
    QCOMPARE(scan.info.term, std::chrono::milliseconds(200));
    QCOMPARE(scan.info.host, QSysInfo::machineHostName());
    QCOMPARE(scan.passes, 4);
    QCOMPARE(scan.readings, 5);
    QCOMPARE(scan.failedReadings, 4);
    QCOMPARE(scan.state, ScanState::Saved);
    QCOMPARE(scan.savedFile, u"/data/run.txt"_s);
    compareReadings(record.loadScan(scan.id), taken);
    compareReadings(record.loadScan(0), { manual });
    const QList<ZeroSet> zeros = record.zeroSets(scan.id);
    QCOMPARE(zeros.size(), 1);
    QCOMPARE(zeros.first().takenAt, zero.takenAt);
    QCOMPARE(zeros.first().firstPass, 2);
    QCOMPARE(zeros.first().offsetsText(), zero.offsetsText());
    QCOMPARE(zeros.first().unit, zero.unit);
    // History and recovery show the readings that did not settle as the scan did.
    ResultTable table;
    QVERIFY(restoreScan(record, scan.id, table));
    QVERIFY(!table.isUnsettled(3, 1));
    QVERIFY(table.isUnsettled(3, 2));
    QVERIFY(table.isUnsettled(4, 1));
    QVERIFY(table.data(table.index(2, 2), Qt::ToolTipRole).toString().contains(u"0.25"_s));
    QVERIFY(record.beginScan(ScanInfo {}) > 0); // no port named
    QVERIFY(record.deleteScan(scan.id));
    QVERIFY(record.zeroSets(scan.id).isEmpty());
}

void tst_Store::unfinishedScanIsOffered()
{
    const QString path = m_dir.filePath(u"unfinished/scans.sqlite"_s);
    qint64 id = 0;
    {
        // The program ends without Stop: the scan stays marked running.
        SqliteScanRecord record(path);
        QVERIFY(record.open());
        id = record.beginScan(info());
        QVERIFY(record.addReading(reading(1, 3, 200, u"1.0"_s)));
        QVERIFY(record.addReading(reading(1, 4, 400, {}, Reading::Status::NoReply)));
        QVERIFY(record.addReading(reading(2, 3, 600, u"1.1"_s)));
        QVERIFY(record.unfinishedScans().isEmpty()); // its own scan is not offered
    }
    SqliteScanRecord record(path);
    QVERIFY(record.open());
    const QList<ScanSummary> unfinished = record.unfinishedScans();
    QCOMPARE(unfinished.size(), 1);
    QCOMPARE(unfinished.first().id, id);
    QCOMPARE(unfinished.first().passes, 2);
    QCOMPARE(unfinished.first().readings, 2);
    QCOMPARE(unfinished.first().failedReadings, 1);
    QCOMPARE(unfinished.first().end, kStart.addMSecs(600));
    QVERIFY(record.markDiscarded(id));
    QVERIFY(record.unfinishedScans().isEmpty());
    QCOMPARE(record.scan(id)->state, ScanState::Discarded);
    QCOMPARE(record.scan(id)->readings, 2);
}

void tst_Store::killedWriterLosesNoCommittedReading()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"scans.sqlite"_s);
    for (const int killAfter : { 1, 37, 400, 1500 }) {
        int pipeEnds[2];
        QCOMPARE(::pipe(pipeEnds), 0);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            // Writes readings until killed, telling the parent of each one
            // the record said was committed.
            ::close(pipeEnds[0]);
            SqliteScanRecord record(path);
            if (!record.open())
                ::_exit(1);
            record.beginScan(info(0, 9));
            for (qint32 n = 0;; ++n) {
                if (!record.addReading(reading(n / 10 + 1, n % 10, n, QString::number(n))))
                    ::_exit(2);
                if (::write(pipeEnds[1], &n, sizeof n) != sizeof n)
                    ::_exit(3);
            }
        }
        ::close(pipeEnds[1]);
        qint32 committed = -1;
        while (committed + 1 < killAfter && ::read(pipeEnds[0], &committed, sizeof committed) > 0) {
        }
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        while (::read(pipeEnds[0], &committed, sizeof committed) > 0) { }
        ::close(pipeEnds[0]);
        QVERIFY(committed + 1 >= killAfter);

        SqliteScanRecord record(path);
        QVERIFY(record.open());
        const ScanSummary scan = record.unfinishedScans().first();
        const QList<Reading> stored = record.loadScan(scan.id);
        // Every committed reading is back; at most the one in flight is more.
        QVERIFY2(stored.size() == committed + 1 || stored.size() == committed + 2,
                 qPrintable(u"%1 stored, %2 committed"_s.arg(stored.size()).arg(committed + 1)));
        for (qint32 n = 0; n < stored.size(); ++n)
            QCOMPARE(stored.at(n).value, QString::number(n));
        QVERIFY(record.markDiscarded(scan.id));
    }
}

void tst_Store::busyFileKeepsReadingsInOrder()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"scans.sqlite"_s);
    SqliteScanRecord record(path);
    QVERIFY(record.open());
    const qint64 id = record.beginScan(info());
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"other"_s);
        other.setDatabaseName(path);
        QVERIFY(other.open());
        QSqlQuery lock(other);
        QVERIFY(lock.exec(u"BEGIN IMMEDIATE"_s));
        QVERIFY(!record.addReading(reading(1, 3, 200, u"1.0"_s)));
        QVERIFY(!record.addReading(reading(1, 4, 400, u"2.0"_s)));
        QVERIFY(record.isWorking());
        QVERIFY(lock.exec(u"COMMIT"_s));
    }
    QSqlDatabase::removeDatabase(u"other"_s);
    QVERIFY(record.addReading(reading(2, 3, 600, u"3.0"_s)));
    compareReadings(record.loadScan(id),
                    { reading(1, 3, 200, u"1.0"_s), reading(1, 4, 400, u"2.0"_s),
                      reading(2, 3, 600, u"3.0"_s) });
}

void tst_Store::unusableLocation_data()
{
    QTest::addColumn<QString>("setup");
    QTest::newRow("folder under a file") << u"file"_s;
    QTest::newRow("read-only folder") << u"readonly"_s;
}

void tst_Store::unusableLocation()
{
    QFETCH(QString, setup);
    QTemporaryDir dir;
    QString path;
    if (setup == u"file") {
        QFile blocker(dir.filePath(u"ROZIVODA"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        path = dir.filePath(u"ROZIVODA/scans.sqlite"_s);
    } else {
        const QString folder = dir.filePath(u"ro"_s);
        QVERIFY(QDir().mkpath(folder));
        // Root writes through permissions: a read-only mount stops it.
        const bool mounted = mountTmpfs(folder, u"ro,size=64k"_s);
        if (!mounted) {
            if (::geteuid() == 0)
                QSKIP("root cannot mount a read-only tmpfs here");
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        }
        path = folder + u"/scans.sqlite"_s;
    }
    {
        SqliteScanRecord record(path);
        QVERIFY(!record.open());
        QVERIFY(!record.isWorking());
        QVERIFY2(record.errorString().contains(QFileInfo(path).absolutePath()),
                 qPrintable(record.errorString()));
        QCOMPARE(record.beginScan(info()), -1);
        QVERIFY(!record.addReading(reading(1, 3, 0, u"1"_s)));
        QVERIFY(!record.endScan());
        QVERIFY(record.listScans().isEmpty());
    }
    if (setup == u"readonly" && ::geteuid() == 0)
        QProcess::execute(u"umount"_s, { dir.filePath(u"ro"_s) });
}

void tst_Store::damagedFileMovedAside_data()
{
    QTest::addColumn<bool>("sqliteHeader");
    QTest::newRow("not a database") << false;
    QTest::newRow("damaged schema") << true;
}

void tst_Store::damagedFileMovedAside()
{
    QFETCH(bool, sqliteHeader);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"scans.sqlite"_s);
    if (sqliteHeader) {
        SqliteScanRecord record(path);
        QVERIFY(record.open());
        record.beginScan(info());
        QVERIFY(record.addReading(reading(1, 3, 0, u"1"_s)));
    }
    QByteArray damaged;
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        // Past the 100-byte header lies the schema's page.
        file.seek(sqliteHeader ? 100 : 0);
        file.write(QByteArray(4000, 'x'));
        file.close();
        QVERIFY(file.open(QIODevice::ReadOnly));
        damaged = file.readAll();
    }
    SqliteScanRecord record(path);
    QVERIFY2(record.open(), qPrintable(record.errorString()));
    const QString aside = record.movedAsidePath();
    QVERIFY(QRegularExpression(u"/scans\\.corrupt-\\d{4}-\\d\\d-\\d\\dT\\d{6}\\.sqlite$"_s)
                .match(aside)
                .hasMatch());
    QFile kept(aside);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), damaged);
    QVERIFY(record.beginScan(info()) > 0);
    QVERIFY(record.addReading(reading(1, 3, 0, u"1"_s)));
}

void tst_Store::fullDiskStopsTheRecord()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"small"_s);
    QVERIFY(QDir().mkpath(folder));
    if (!mountTmpfs(folder, u"size=256k"_s))
        QSKIP("needs root to mount a small tmpfs");
    const auto unmount = qScopeGuard([&] { QProcess::execute(u"umount"_s, { folder }); });
    const QString path = folder + u"/scans.sqlite"_s;
    int kept = 0;
    {
        SqliteScanRecord record(path);
        QSignalSpy stopped(&record, &ScanRecord::stoppedWorking);
        QVERIFY(record.open());
        const qint64 id = record.beginScan(info());
        QVERIFY(id > 0);
        // Fill the disk but for a few pages.
        QFile filler(folder + u"/filler"_s);
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(4096, 'f')) == 4096) { }
        filler.resize(std::max<qint64>(0, filler.size() - 5 * 4096));
        filler.close();
        for (int i = 0;
             i < 100000 && record.addReading(reading(1 + i / 2, 3 + i % 2, i, u"1.25"_s)); ++i)
            ++kept;
        QVERIFY(!record.isWorking());
        QCOMPARE(stopped.size(), 1);
        QVERIFY2(record.errorString().contains(u"full"_s), qPrintable(record.errorString()));
        QVERIFY(!record.addReading(reading(1, 3, 0, u"1"_s)));
        QVERIFY(QFile::remove(folder + u"/filler"_s));
    }
    // Every reading reported as kept is there.
    SqliteScanRecord record(path);
    QVERIFY(record.open());
    QCOMPARE(record.loadScan(1).size(), kept);
}

void tst_Store::migratesFromVersionOne()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"scans.sqlite"_s);
    {
        QFile script(qEnvironmentVariable("ROZIVODA_TEST_DATA") + u"/scans-v1.sql"_s);
        QVERIFY(script.open(QIODevice::ReadOnly));
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"v1"_s);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        for (const QString &statement : QString::fromUtf8(script.readAll()).split(u";\n"_s)) {
            const QString sql = statement.trimmed();
            if (!sql.isEmpty() && !sql.startsWith(u"--"_s))
                QVERIFY2(query.exec(sql), qPrintable(query.lastError().text()));
        }
    }
    QSqlDatabase::removeDatabase(u"v1"_s);

    SqliteScanRecord record(path);
    QVERIFY2(record.open(), qPrintable(record.errorString()));
    const QList<ScanSummary> scans = record.listScans();
    QCOMPARE(scans.size(), 1);
    QCOMPARE(scans.first().savedFile, u"/data/a.txt"_s);
    QCOMPARE(scans.first().info.host, QString());
    QVERIFY(scans.first().info.names.isEmpty());
    compareReadings(record.loadScan(1),
                    { reading(1, 3, 200, u"-0.0123"_s),
                      reading(1, 4, 1400, {}, Reading::Status::NoReply, {}, true) });
    QVERIFY(record.zeroSets(1).isEmpty());
    QVERIFY(record.beginScan(info()) > 0);
    QCOMPARE(record.listScans().first().info.host, QSysInfo::machineHostName());
}

void tst_Store::retention_data()
{
    QTest::addColumn<int>("days");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("90 days") << 90
                             << QStringList { u"recent saved"_s, u"old stopped"_s,
                                              u"old running"_s };
    QTest::newRow("0 keeps all") << 0
                                 << QStringList { u"recent saved"_s, u"old stopped"_s,
                                                  u"old discarded"_s, u"old saved"_s,
                                                  u"old running"_s };
}

void tst_Store::retention()
{
    QFETCH(int, days);
    QFETCH(QStringList, left);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"scans.sqlite"_s);
    const QDateTime now = kStart.addDays(200);
    const auto add = [&](SqliteScanRecord &record, const QString &name, int daysAgo,
                         std::optional<ScanState> state) {
        ScanInfo scan = info();
        scan.start = now.addDays(-daysAgo);
        scan.portName = name;
        const qint64 id = record.beginScan(scan);
        record.addReading(reading(1, 3, 0, u"1"_s));
        if (state)
            record.endScan(*state, scan.start.addSecs(60));
        return id;
    };
    qint64 running = 0;
    {
        SqliteScanRecord crashed(path);
        QVERIFY(crashed.open());
        running = add(crashed, u"old running"_s, 100, std::nullopt);
    }
    SqliteScanRecord record(path);
    QVERIFY(record.open());
    add(record, u"old saved"_s, 100, ScanState::Saved);
    add(record, u"old discarded"_s, 100, ScanState::Discarded);
    add(record, u"old stopped"_s, 100, ScanState::Stopped);
    QVERIFY(record.deleteScan(add(record, u"deleted"_s, 1, ScanState::Stopped)));
    add(record, u"recent saved"_s, 10, ScanState::Saved);
    Reading manual = reading(0, 1, 0, u"2"_s);
    manual.time = now.addDays(-100);
    QVERIFY(record.addReading(manual));

    QCOMPARE(record.applyRetention(days, now), 5 - int(left.size()));
    QStringList names;
    for (const ScanSummary &scan : record.listScans())
        names << scan.info.portName;
    QCOMPARE(names, left);
    QCOMPARE(record.loadScan(running).size(), 1);
    QCOMPARE(record.loadScan(0).size(), days > 0 ? 0 : 1);
}

void tst_Store::restoredTableMatchesTheScan_data()
{
    QTest::addColumn<bool>("stopped");
    QTest::addColumn<bool>("lastPassCut");
    QTest::newRow("stopped after a full pass") << true << false;
    QTest::newRow("stopped in a pass without a value") << true << true;
    QTest::newRow("ended without stop") << false << true;
}

void tst_Store::restoredTableMatchesTheScan()
{
    QFETCH(bool, stopped);
    QFETCH(bool, lastPassCut);
    const int first = 8;
    const int last = 12;
    QList<Reading> readings;
    qint64 at = 0;
    // Pass 2 gives up its first channel (its unit comes from the next value),
    // pass 3 gives up every channel, a few readings are retried.
    for (int pass = 1; pass <= 5; ++pass) {
        for (int channel = first; channel <= last; ++channel) {
            const bool dead = (pass == 2 && channel == first) || pass == 3;
            const int failures = dead ? 3 : (pass * channel) % 4 == 0 ? 1 : 0;
            for (int f = 1; f <= failures; ++f)
                readings << reading(pass, channel, at += 200, {},
                                    f % 2 ? Reading::Status::NoReply : Reading::Status::Unreadable,
                                    f % 2 ? QByteArray() : "1,2 ?", f == 3);
            if (!dead)
                readings << reading(pass, channel, at += 200,
                                    QString::number(pass * 0.5 - channel * 0.001));
        }
    }
    if (lastPassCut)
        readings << reading(6, first, at += 200, {}, Reading::Status::NoReply, {}, false);

    ResultTable scanned;
    scanned.setLayout(gridLayoutFor(first, last));
    fillAsTheScan(scanned, first, readings);
    if (stopped && lastPassCut)
        scanned.setRows(scanned.rows() - 1); // Stop drops the row without a value

    QTemporaryDir dir;
    SqliteScanRecord record(dir.filePath(u"scans.sqlite"_s));
    QVERIFY(record.open());
    const qint64 id = record.beginScan(info(first, last));
    for (const Reading &r : std::as_const(readings))
        QVERIFY(record.addReading(r));
    if (stopped)
        QVERIFY(record.endScan());

    ResultTable restored;
    restored.setLayout(gridLayoutFor(0, 1));
    restored.appendRow();
    QVERIFY(restoreScan(record, id, restored));
    QCOMPARE(restored.rows(), scanned.rows());
    QCOMPARE(restored.cols(), scanned.cols());
    for (int row = 0; row < scanned.rows(); ++row) {
        for (int column = 0; column < scanned.cols(); ++column) {
            QCOMPARE(restored.text(row, column), scanned.text(row, column));
            QCOMPARE(restored.isMarked(row, column), scanned.isMarked(row, column));
            if (row > 0)
                QCOMPARE(restored.data(restored.index(row - 1, column), Qt::ToolTipRole),
                         scanned.data(scanned.index(row - 1, column), Qt::ToolTipRole));
        }
        QCOMPARE(restored.rowTime(row), scanned.rowTime(row));
    }
}

void tst_Store::csvExport()
{
    ResultTable table;
    table.setLayout(gridLayoutFor(9, 10));
    int row = table.appendRow();
    table.setText(row, 0, u"1"_s);
    table.setText(row, 1, u"-0.0123"_s);
    table.setText(row, 3, u"kgf/cm2"_s);
    table.setRowTime(row, kStart.addMSecs(45));
    row = table.appendRow();
    table.setText(row, 0, u"2"_s);
    table.setText(row, 2, u"1E-05"_s);
    table.setText(row, 3, u"a,\"b\"\n"_s);

    QBuffer out;
    QVERIFY(out.open(QIODevice::WriteOnly));
    QVERIFY(writeCsv(table, out));
    QCOMPARE(out.data(),
             QByteArray("\xEF\xBB\xBFpass,time,Ch 09,Ch 10,unit\r\n"
                        "1,2026-12-07T19:40:00.045+09:00,-0.0123,,kgf/cm2\r\n"
                        "2,,,1E-05,\"a,\"\"b\"\"\n\"\r\n"));

    QBuffer closed;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"device not open"_s));
    QVERIFY(!writeCsv(table, closed));
}

// A stored scan shows the names it was taken with, whatever they are today;
// its CSV header names the channels while the table's labels stay "Ch NN".
void tst_Store::namesKeptWithTheScan()
{
    QTemporaryDir dir;
    ChannelNames names;
    names.set(3, u"Inlet, static"_s, u"tap \"A\""_s);
    {
        SqliteScanRecord record(dir.filePath(u"scans.sqlite"_s));
        QVERIFY(record.open());
        ScanInfo named = info();
        named.names = names;
        QVERIFY(record.beginScan(named) > 0);
        QVERIFY(record.addReading(reading(1, 3, 200, u"1.5"_s)));
        QVERIFY(record.addReading(reading(1, 4, 400, u"2"_s)));
        QVERIFY(record.endScan());
        QVERIFY(record.beginScan(info()) > 0);
        QVERIFY(record.endScan());
    }
    SqliteScanRecord record(dir.filePath(u"scans.sqlite"_s));
    QVERIFY(record.open());
    const QList<ScanSummary> scans = record.listScans();
    QCOMPARE(scans.size(), 2);
    QVERIFY(scans.first().info.names.isEmpty());
    QCOMPARE(scans.last().info.names, names);

    ResultTable table;
    QVERIFY(restoreScan(record, scans.last().id, table));
    QCOMPARE(table.channelNames(), names);
    QCOMPARE(table.text(0, 1), u"Ch 03"_s);
    QBuffer out;
    QVERIFY(out.open(QIODevice::WriteOnly));
    QVERIFY(writeCsv(table, out));
    QVERIFY2(out.data().startsWith("\xEF\xBB\xBFpass,time,\"Ch 03 Inlet, static\",Ch 04,unit\r\n"),
             out.data().constData());
}

void tst_Store::twoProgramsOnOneFile()
{
    // Started together on a new folder, both bring the schema up to date.
    for (int trial = 0; trial < 6; ++trial) {
        const QString path = m_dir.filePath(u"together-%1/scans.sqlite"_s.arg(trial));
        QStringList errors;
        QMutex lock;
        const auto openIt = [&] {
            SqliteScanRecord record(path);
            if (!record.open()) {
                QMutexLocker locked(&lock);
                errors.append(record.errorString());
            }
        };
        std::unique_ptr<QThread> first(QThread::create(openIt));
        std::unique_ptr<QThread> second(QThread::create(openIt));
        first->start();
        second->start();
        QVERIFY(first->wait(30000) && second->wait(30000));
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join(u'\n')));
    }

    // A scan another program is taking is neither offered nor marked.
    const QString path = m_dir.filePath(u"together/scans.sqlite"_s);
    auto scanning = std::make_unique<SqliteScanRecord>(path);
    QVERIFY(scanning->open());
    const qint64 id = scanning->beginScan(info());
    QVERIFY(scanning->addReading(reading(1, 3, 200, u"1.0"_s)));
    SqliteScanRecord window(path);
    QVERIFY(window.open());
    QVERIFY(window.unfinishedScans().isEmpty());
    QVERIFY(!window.markDiscarded(id));
    QVERIFY(!window.deleteScan(id));
    QCOMPARE(window.scan(id)->state, ScanState::Running);
    // Once that program has gone without Stop, the scan is offered.
    scanning.reset();
    QCOMPARE(window.unfinishedScans().size(), 1);
    QVERIFY(window.markDiscarded(id));
}

void tst_Store::impossibleScanIsNotRestored_data()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("last channel 2147483647") << u"UPDATE scan SET last_channel = 2147483647"_s;
    QTest::newRow("first channel negative") << u"UPDATE scan SET first_channel = -5"_s;
    QTest::newRow("pass 2147483647") << u"UPDATE reading SET pass = 2147483647 WHERE seq = 2"_s;
    QTest::newRow("10 MB port name") << u"UPDATE scan SET port = zeroblob(10000000)"_s;
}

void tst_Store::impossibleScanIsNotRestored()
{
    QFETCH(QString, damage);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"scans.sqlite"_s);
    qint64 id = 0;
    {
        SqliteScanRecord record(path);
        QVERIFY(record.open());
        id = record.beginScan(info());
        QVERIFY(record.addReading(reading(1, 3, 200, u"1.0"_s)));
        QVERIFY(record.addReading(reading(1, 4, 400, u"1.1"_s)));
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"damage"_s);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY2(query.exec(damage), qPrintable(query.lastError().text()));
    }
    QSqlDatabase::removeDatabase(u"damage"_s);

    SqliteScanRecord record(path);
    QVERIFY(record.open());
    ResultTable table;
    QString why;
    QVERIFY(!restoreScan(record, id, table, &why));
    QVERIFY(!why.isEmpty());
}

void tst_Store::readingsViewGivesNumbers()
{
    const QString path = m_dir.filePath(u"view/scans.sqlite"_s);
    {
        SqliteScanRecord record(path);
        QVERIFY(record.open());
        QVERIFY(!record.rigId().isEmpty());
        QVERIFY(record.beginScan(info()) > 0);
        QVERIFY(record.addReading(reading(1, 3, 250, u"-1.5E-07"_s)));
        QVERIFY(record.addReading(reading(1, 4, 400, {}, Reading::Status::NoReply)));
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"view"_s);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY2(query.exec(u"SELECT typeof(value), value, value_text, local_time, time "
                            "FROM readings ORDER BY seq"_s),
                 qPrintable(query.lastError().text()));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toString(), u"real"_s);
        QCOMPARE(query.value(1).toDouble(), -1.5e-07);
        QCOMPARE(query.value(2).toString(), u"-1.5E-07"_s);
        // As the CSV export writes it: local time with its offset.
        QCOMPARE(query.value(3).toString(), u"2026-12-07T19:40:00.250+09:00"_s);
        QCOMPARE(query.value(4).toString(), u"2026-12-07T10:40:00.250Z"_s);
        QVERIFY(query.next());
        QVERIFY(query.value(1).isNull());
    }
    QSqlDatabase::removeDatabase(u"view"_s);
}

void tst_Store::filesAreTheUsersOnly()
{
    const QByteArray saved = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", QFile::encodeName(m_dir.filePath(u"private"_s)));
    const QString path = SqliteScanRecord::defaultPath();
    {
        SqliteScanRecord record(path);
        QVERIFY(record.open());
        QVERIFY(record.beginScan(info()) > 0);
        QVERIFY(record.addReading(reading(1, 3, 200, u"1.0"_s)));
    }
    qputenv("XDG_STATE_HOME", saved);
    const auto owner = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
    QCOMPARE(QFileInfo(path).permissions() & ~QFile::Permissions(QFile::ExeOwner | QFile::ExeUser),
             owner);
    QCOMPARE(QFileInfo(QFileInfo(path).absolutePath()).permissions(),
             owner | QFile::ExeOwner | QFile::ExeUser);
}

QTEST_GUILESS_MAIN(tst_Store)
#include "tst_store.moc"
