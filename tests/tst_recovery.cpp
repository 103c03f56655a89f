#include "PtyScanner.h"
#include "ResultTable.h"
#include "ScanTableBuilder.h"
#include "ScannerModel.h"
#include "SqliteScanRecord.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr int kKills = 50;
constexpr int kTermMs = 200;
// The kill comes at a random moment up to this long after the scan started.
constexpr int kLongestRunMs = 2000;
constexpr int kStartTimeoutMs = 10000;
// Between the simulator writing a reply and the test noting the time, the
// scanning program may already have stamped its reading.
constexpr qint64 kStampSlackMs = 50;

} // namespace

// Kills a scanning program (SIGKILL) at random moments and restores its scan
// from the database: every reading committed before the kill must come back,
// value and time, and at most the reading whose reply was in flight may be
// missing.
class tst_Recovery : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void killedScansAreRestored();
};

void tst_Recovery::killedScansAreRestored()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString database = dir.filePath(u"scans.sqlite"_s);
    // A failure names its seed; ROZIVODA_RECOVERY_SEED replays it.
    bool seedGiven = false;
    const quint32 givenSeed = qEnvironmentVariable("ROZIVODA_RECOVERY_SEED").toUInt(&seedGiven);
    const quint32 seed = seedGiven ? givenSeed : QRandomGenerator::global()->generate();
    qInfo("seed %u", seed);
    QRandomGenerator random(seed);

    qint64 readingsChecked = 0;
    qint64 mostMissing = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        PtyScanner scanner;
        if (!scanner.start())
            QSKIP(qPrintable(u"no pseudo-terminal: "_s + scanner.errorString()));
        // Some replies still on their way when the kill comes.
        scanner.model().options().replyDelay = std::chrono::milliseconds(random.bounded(30));
        QList<QDateTime> sent;
        connect(&scanner, &PtyScanner::bytesSent, this,
                [&sent](const QByteArray &) { sent.append(QDateTime::currentDateTimeUtc()); });

        const int start = random.bounded(ScannerModel::kChannelCount - 6);
        const int end = start + random.bounded(5);
        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // The reply to the query before the first select is dropped by design.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_LOGGING_RULES"_s, u"rozivoda.serial=false"_s);
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(RECORDING_SCANNER),
                      { scanner.devicePath(), database, QString::number(start),
                        QString::number(end), QString::number(kTermMs) });
        QTRY_VERIFY_WITH_TIMEOUT(program.canReadLine() || program.state() == QProcess::NotRunning,
                                 kStartTimeoutMs);
        QCOMPARE(program.readLine(), QByteArray("scanning\n"));
        QTest::qWait(random.bounded(kLongestRunMs));
        program.kill();
        // Nothing more is sent: the event loop does not run until the count is taken.
        const qsizetype repliesSent = sent.size();
        const QDateTime killedAt = QDateTime::currentDateTimeUtc();
        QVERIFY(program.waitForFinished(kStartTimeoutMs));
        QCOMPARE(program.exitStatus(), QProcess::CrashExit);

        SqliteScanRecord record(database);
        QVERIFY2(record.open(), qPrintable(record.errorString()));
        const QList<ScanSummary> unfinished = record.unfinishedScans();
        QCOMPARE(unfinished.size(), 1);
        const ScanSummary &scan = unfinished.first();
        QCOMPARE(scan.info.startChannel, start);
        QCOMPARE(scan.info.endChannel, end);
        const QList<Reading> readings = record.loadScan(scan.id);

        // The first reply answers the query sent before the first select.
        const qint64 missing = qMax<qint64>(0, repliesSent - 1) - readings.size();
        QVERIFY2(missing >= 0 && missing <= 1,
                 qPrintable(u"kill %1: %2 replies sent, %3 readings kept"_s.arg(kill)
                                .arg(repliesSent)
                                .arg(readings.size())));
        mostMissing = qMax(mostMissing, missing);
        QCOMPARE(scan.readings, qint64(readings.size()));

        ResultTable table;
        QVERIFY(restoreScan(record, scan.id, table));
        const int channels = end - start + 1;
        const int passes = int((readings.size() + channels - 1) / channels);
        QCOMPARE(table.rows(), passes + 1);
        for (qsizetype i = 0; i < readings.size(); ++i) {
            const Reading &reading = readings.at(i);
            // Passes and channels follow each other without a gap.
            QVERIFY(reading.taken());
            QCOMPARE(reading.pass, int(i / channels) + 1);
            QCOMPARE(reading.channel, start + int(i % channels));
            const QString expected = ScannerModel::valueText(reading.channel, quint64(i + 1));
            QCOMPARE(reading.value, expected);
            QCOMPARE(table.text(reading.pass, 1 + reading.channel - start), expected);
            QCOMPARE(table.text(reading.pass, channels + 1),
                     QString::fromLatin1(ScannerModel::unitText()));
            // The time is the reply's, not one made up at restore.
            const QDateTime &replied = sent.at(i + 1);
            QVERIFY2(reading.time >= replied.addMSecs(-kStampSlackMs) && reading.time <= killedAt,
                     qPrintable(u"reading %1 at %2, reply sent at %3"_s.arg(i).arg(
                         reading.time.toString(Qt::ISODateWithMs),
                         replied.toString(Qt::ISODateWithMs))));
            if (i % channels == 0)
                QCOMPARE(table.rowTime(reading.pass), reading.time);
        }
        // Nothing beyond the last reading.
        for (qsizetype cell = readings.size(); cell < qsizetype(passes) * channels; ++cell)
            QVERIFY(table.text(int(cell / channels) + 1, 1 + int(cell % channels)).isEmpty());
        readingsChecked += readings.size();
        // As the user answering No at the next start: the scan is kept, discarded.
        QVERIFY(record.markDiscarded(scan.id));
    }
    qInfo("%d kills, %lld readings checked, at most %lld missing", kKills, readingsChecked,
          mostMissing);
}

QTEST_GUILESS_MAIN(tst_Recovery)
#include "tst_recovery.moc"
