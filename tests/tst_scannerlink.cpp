#include "FakeSerialPort.h"
#include "FakeTimer.h"
#include "ScannerLink.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {
constexpr auto kTimeout = 500ms;
}

// The exchange over a fake port with a hand-fired time-out: one outcome per
// query, and a link that stays usable after every kind of ending.
class tst_ScannerLink : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void commandsOnTheWire();
    void collect_data();
    void collect();
    void timeoutLeavesLinkUsable();
    void earlierBytesAreNotTheReply_data();
    void earlierBytesAreNotTheReply();
    void busyRefusesSecondExchange();
    void lineFailureEndsWaitOnce();
    void abandonGivesNoOutcome();
    void failedWriteStartsNoWait_data();
    void failedWriteStartsNoWait();
    void nextQueryFromTheOutcome();
    void oldChannelsReplyIsNeverTheNewOnes_data();
    void oldChannelsReplyIsNeverTheNewOnes();

private:
    int outcomes() const { return int(m_replies->count() + m_failures->count()); }

    std::unique_ptr<FakeSerialPort> m_port;
    std::unique_ptr<FakeTimerFactory> m_timers;
    std::unique_ptr<ScannerLink> m_link;
    std::unique_ptr<QSignalSpy> m_replies;
    std::unique_ptr<QSignalSpy> m_failures;
};

void tst_ScannerLink::init()
{
    m_port = std::make_unique<FakeSerialPort>();
    m_port->open();
    m_timers = std::make_unique<FakeTimerFactory>();
    m_link = std::make_unique<ScannerLink>(*m_port, *m_timers);
    m_replies = std::make_unique<QSignalSpy>(m_link.get(), &ScannerLink::replyReceived);
    m_failures = std::make_unique<QSignalSpy>(m_link.get(), &ScannerLink::exchangeFailed);
}

void tst_ScannerLink::cleanup()
{
    m_replies.reset();
    m_failures.reset();
    m_link.reset();
    m_timers.reset();
    m_port.reset();
}

void tst_ScannerLink::commandsOnTheWire()
{
    QVERIFY(m_link->select(5));
    QVERIFY(m_link->query(kTimeout));
    QCOMPARE(m_port->written, "V05\r\n?R\r\n"_ba);
    QCOMPARE(m_timers->last()->interval(), kTimeout);
    QVERIFY(m_timers->last()->isActive());
}

void tst_ScannerLink::collect_data()
{
    QTest::addColumn<QByteArrayList>("pieces");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<QString>("value");

    QTest::newRow("one piece") << QByteArrayList { "     1.5000,kgf/cm2\n\r" } << true << u"1.5"_s;
    QTest::newRow("pieces joined")
        << QByteArrayList { "     1", ".5000,kg", "f/cm2\n", "\r" } << true << u"1.5"_s;
    QTest::newRow("piece ending in CR LF does not end the wait")
        << QByteArrayList { "\r\n", "     1.5000,kgf/cm2\n\r" } << true << u"1.5"_s;
    QTest::newRow("CR LF at the end never completes")
        << QByteArrayList { "     1.5000,kgf/cm2\r\n" } << false << QString();
    QTest::newRow("two replies at once: the older")
        << QByteArrayList { "     1.0000,kgf/cm2\n\r     2.0000,kgf/cm2\n\r" } << true << u"1"_s;
    QTest::newRow("nothing at all") << QByteArrayList {} << false << QString();
}

void tst_ScannerLink::collect()
{
    QFETCH(QByteArrayList, pieces);
    QFETCH(bool, complete);
    QFETCH(QString, value);

    QVERIFY(m_link->query(kTimeout));
    for (const QByteArray &piece : std::as_const(pieces))
        m_port->receive(piece);
    // A time-out after a completed reply must not add a second outcome.
    m_timers->last()->fire();

    QCOMPARE(outcomes(), 1);
    const QByteArray joined = pieces.join();
    if (complete) {
        QCOMPARE(m_replies->count(), 1);
        QCOMPARE(m_replies->at(0).at(0).value<ParsedReply>().value, value);
        // Only the first line is the reply; what follows it is not parsed with it.
        QCOMPARE(m_replies->at(0).at(1).toByteArray(), joined.left(joined.indexOf("\n\r") + 2));
    } else {
        QCOMPARE(m_failures->at(0).at(0).value<ScannerLink::Failure>(),
                 ScannerLink::Failure::TimedOut);
        QCOMPARE(m_failures->at(0).at(1).toByteArray(), joined);
    }
    QVERIFY(!m_link->isBusy());
}

void tst_ScannerLink::timeoutLeavesLinkUsable()
{
    for (int round = 0; round < 3; ++round) {
        QVERIFY(m_link->query(kTimeout));
        m_timers->last()->fire();
        QCOMPARE(m_failures->count(), round + 1);
        QVERIFY(!m_link->isBusy());
    }
    QVERIFY(m_link->query(kTimeout));
    QVERIFY(m_timers->last()->isActive());
    m_port->receive("     4.2500,kgf/cm2\n\r"_ba);
    QCOMPARE(m_replies->count(), 1);
    QCOMPARE(m_replies->at(0).at(0).value<ParsedReply>().value, u"4.25"_s);
    QCOMPARE(m_port->written, QByteArray("?R\r\n").repeated(4));
}

void tst_ScannerLink::earlierBytesAreNotTheReply_data()
{
    QTest::addColumn<bool>("timedOutFirst");
    QTest::addColumn<bool>("notified");
    // A late reply that arrives while nothing waits ...
    QTest::newRow("late reply, delivered while idle") << true << true;
    // ... or still sits unread in the port when the next query goes out.
    QTest::newRow("late reply, unread at the next query") << true << false;
    // The answer to a query sent without waiting (the first query of a scan).
    QTest::newRow("answer to sendQuery") << false << false;
}

void tst_ScannerLink::earlierBytesAreNotTheReply()
{
    QFETCH(bool, timedOutFirst);
    QFETCH(bool, notified);

    if (timedOutFirst) {
        QVERIFY(m_link->query(kTimeout));
        m_timers->last()->fire();
    } else {
        QVERIFY(m_link->sendQuery());
    }
    m_port->receive("     9.0000,kgf/cm2\n\r"_ba, notified);
    QCOMPARE(m_replies->count(), 0);

    QVERIFY(m_link->query(kTimeout));
    m_port->receive("     2.0000,kgf/cm2\n\r"_ba);
    QCOMPARE(m_replies->count(), 1);
    QCOMPARE(m_replies->at(0).at(0).value<ParsedReply>().value, u"2"_s);
    QCOMPARE(m_replies->at(0).at(1).toByteArray(), "     2.0000,kgf/cm2\n\r"_ba);
}

void tst_ScannerLink::busyRefusesSecondExchange()
{
    QVERIFY(m_link->query(kTimeout));
    QVERIFY(m_link->isBusy());
    QVERIFY(!m_link->query(kTimeout));
    QVERIFY(!m_link->sendQuery());
    QVERIFY(!m_link->select(3));
    QVERIFY(!m_link->errorString().isEmpty());
    QCOMPARE(m_port->written, "?R\r\n"_ba);
    QCOMPARE(m_timers->last()->startCount, 1);

    m_port->receive("     1.5000,kgf/cm2\n\r"_ba);
    m_timers->last()->fire();
    QCOMPARE(outcomes(), 1);
    QCOMPARE(m_replies->count(), 1);
}

void tst_ScannerLink::lineFailureEndsWaitOnce()
{
    QVERIFY(m_link->query(kTimeout));
    m_port->receive("     1.50"_ba);
    m_port->failLine(u"gone"_s);
    m_port->failLine(u"gone again"_s);
    m_timers->last()->fire();
    m_port->receive("00,kgf/cm2\n\r"_ba);

    QCOMPARE(outcomes(), 1);
    QCOMPARE(m_failures->at(0).at(0).value<ScannerLink::Failure>(),
             ScannerLink::Failure::LineFailed);
    QCOMPARE(m_failures->at(0).at(1).toByteArray(), "     1.50"_ba);
    QCOMPARE(m_link->errorString(), u"gone"_s);
    QVERIFY(!m_timers->last()->isActive());
    QVERIFY(!m_link->query(kTimeout));
}

void tst_ScannerLink::abandonGivesNoOutcome()
{
    QVERIFY(m_link->query(kTimeout));
    m_link->abandon();
    QVERIFY(!m_link->isBusy());
    QVERIFY(!m_timers->last()->isActive());
    m_timers->last()->fire();
    m_port->receive("     7.0000,kgf/cm2\n\r"_ba);
    QCOMPARE(outcomes(), 0);

    QVERIFY(m_link->query(kTimeout));
    m_port->receive("     8.0000,kgf/cm2\n\r"_ba);
    QCOMPARE(m_replies->count(), 1);
    QCOMPARE(m_replies->at(0).at(0).value<ParsedReply>().value, u"8"_s);
}

void tst_ScannerLink::failedWriteStartsNoWait_data()
{
    QTest::addColumn<bool>("closed");
    QTest::newRow("port closed") << true;
    QTest::newRow("write fails") << false;
}

void tst_ScannerLink::failedWriteStartsNoWait()
{
    QFETCH(bool, closed);
    if (closed)
        m_port->close();
    else
        m_port->writeFails = true;

    QVERIFY(!m_link->query(kTimeout));
    QVERIFY(!m_link->select(1));
    QVERIFY(!m_link->errorString().isEmpty());
    QVERIFY(!m_link->isBusy());
    QVERIFY(!m_timers->last()->isActive());
    QCOMPARE(outcomes(), 0);

    m_port->open();
    m_port->writeFails = false;
    QVERIFY(m_link->query(kTimeout));
}

void tst_ScannerLink::nextQueryFromTheOutcome()
{
    // A scan selects the next channel and a manual reading may query again
    // from the outcome's handler: the link must already be idle then.
    int answered = 0;
    connect(m_link.get(), &ScannerLink::replyReceived, this, [&] {
        if (++answered < 3) {
            QVERIFY(m_link->select(answered));
            // Not within the echo window of the reply before: it reads the same.
            m_timers->advance(ScannerLink::kEchoWindow + std::chrono::milliseconds(1));
            QVERIFY(m_link->query(kTimeout));
        }
    });
    m_port->onWrite = [this](const QByteArray &data) {
        if (data == kQueryCommand)
            m_port->receive("     1.0000,kgf/cm2\n\r"_ba, false);
    };
    QVERIFY(m_link->query(kTimeout));
    Q_EMIT m_port->readyRead();
    Q_EMIT m_port->readyRead();
    Q_EMIT m_port->readyRead();
    QCOMPARE(answered, 3);
    QCOMPARE(m_port->written, "?R\r\nV01\r\n?R\r\nV02\r\n?R\r\n"_ba);
}

void tst_ScannerLink::oldChannelsReplyIsNeverTheNewOnes_data()
{
    QTest::addColumn<QString>("ending"); // how the query on channel 1 ended
    QTest::addColumn<bool>("replyComes"); // or its window passes
    for (const QString &ending : { u"time-out"_s, u"abandon"_s, u"sendQuery"_s }) {
        QTest::addRow("%s, late reply", qPrintable(ending)) << ending << true;
        QTest::addRow("%s, no reply", qPrintable(ending)) << ending << false;
    }
}

void tst_ScannerLink::oldChannelsReplyIsNeverTheNewOnes()
{
    QFETCH(QString, ending);
    QFETCH(bool, replyComes);
    QVERIFY(m_link->select(1));
    if (ending == u"sendQuery") {
        QVERIFY(m_link->sendQuery());
    } else {
        QVERIFY(m_link->query(kTimeout));
        if (ending == u"abandon")
            m_link->abandon();
        else
            m_timers->last()->fire();
    }
    const int before = outcomes();

    // Until channel 1's reply has come or can no longer come, channel 2 is
    // selected but not read.
    QVERIFY(m_link->select(2));
    QVERIFY(m_link->isDraining());
    QVERIFY(!m_link->query(kTimeout));
    if (replyComes)
        m_port->receive("     1.0000,kgf/cm2\n\r"_ba);
    else
        m_timers->advance(ScannerLink::kReplyBound);
    QCOMPARE(outcomes(), before);
    QVERIFY(!m_link->isDraining());

    QVERIFY(m_link->query(kTimeout));
    m_port->receive("     2.0000,kgf/cm2\n\r"_ba);
    QCOMPARE(m_replies->count(), 1);
    QCOMPARE(m_replies->at(0).at(0).value<ParsedReply>().value, u"2"_s);
}

QTEST_GUILESS_MAIN(tst_ScannerLink)
#include "tst_scannerlink.moc"
