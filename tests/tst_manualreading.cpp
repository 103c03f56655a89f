#include "FakeSerialPort.h"
#include "FakeTimer.h"
#include "ManualReading.h"
#include "ScannerLink.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

// A reading on demand over a fake port: each query ends once, with a reading
// that says what happened, and an unreadable reply is never a value.
class tst_ManualReading : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void outcome_data();
    void outcome();
    void oneReadingAtATime();
    void abandonedReadingEndsSilently();
};

namespace {

struct Rig
{
    FakeSerialPort port;
    FakeTimerFactory timers;
    ScannerLink link { port, timers };
    ManualReading manual { link };
    QList<Reading> outcomes;

    Rig() { port.open(); }
    bool read(int channel)
    {
        manual.select(channel);
        return manual.query(1000ms, [this](const Reading &r) { outcomes << r; });
    }
    // The link creates its late-reply window first, then the reply time-out.
    FakeTimer *replyTimer() const { return timers.named(QStringLiteral("replyTimeout")); }
};

} // namespace

void tst_ManualReading::outcome_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("timesOut");
    QTest::addColumn<bool>("lineFails");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("value");

    QTest::newRow("taken") << "     1.5000,kgf/cm2\n\r"_ba << false << false
                           << int(Reading::Status::Taken) << u"1.5"_s;
    QTest::newRow("unreadable") << "0000001.25,kgf/cm2\n\r"_ba << false << false
                                << int(Reading::Status::Unreadable) << QString();
    QTest::newRow("no reply") << QByteArray() << true << false << int(Reading::Status::NoReply)
                              << QString();
    QTest::newRow("line lost") << QByteArray() << false << true << int(Reading::Status::LineLost)
                               << QString();
}

void tst_ManualReading::outcome()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, timesOut);
    QFETCH(bool, lineFails);
    QFETCH(int, status);
    QFETCH(QString, value);

    Rig rig;
    QVERIFY(rig.read(7));
    if (!reply.isEmpty())
        rig.port.receive(reply);
    if (timesOut)
        rig.replyTimer()->fire();
    if (lineFails)
        rig.port.failLine();
    QCOMPARE(rig.outcomes.size(), 1);
    const Reading &r = rig.outcomes.first();
    QCOMPARE(int(r.status), status);
    QCOMPARE(r.value, value);
    QCOMPARE(r.channel, 7);
    QCOMPARE(r.pass, 0);
    QVERIFY(r.time.isValid());
    QCOMPARE(rig.manual.scannerSilent(), timesOut);
    QVERIFY(!rig.manual.isBusy());
}

void tst_ManualReading::oneReadingAtATime()
{
    Rig rig;
    QVERIFY(rig.read(1));
    QVERIFY(!rig.manual.query(1000ms, {}));
    rig.port.receive("     2.0000,kgf/cm2\n\r"_ba);
    QCOMPARE(rig.outcomes.size(), 1);
    QVERIFY(rig.read(2));
}

void tst_ManualReading::abandonedReadingEndsSilently()
{
    Rig rig;
    QVERIFY(rig.read(3));
    rig.manual.abandon();
    rig.port.receive("     2.0000,kgf/cm2\n\r"_ba);
    rig.replyTimer()->fire();
    QVERIFY(rig.outcomes.isEmpty());
    QVERIFY(!rig.manual.isBusy());
}

QTEST_GUILESS_MAIN(tst_ManualReading)
#include "tst_manualreading.moc"
