#include "PtyScanner.h"
#include "QtSerialPort.h"
#include "QtTimer.h"
#include "ResultTable.h"
#include "ScanCycle.h"
#include "ScannerLink.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {
constexpr auto kReplyTimeout = 1000ms;
constexpr auto kShortTimeout = 150ms;
// Longer than the bound on a reply: an unanswered query delays the next channel.
constexpr int kWaitMs = 6000;
} // namespace

// The program's serial stack (QtSerialPort, ScannerLink) against the simulator
// over a real pseudo-terminal, as the demo mode and manual checks use it.
class tst_SimulatorPty : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void exchange_data();
    void exchange();
    void channelFaults();
    void silentTimesOutAndLateReplyIsDropped();
    void closedLineFailsOnce();
    void scanPutsEveryReadingInItsColumn_data();
    void scanPutsEveryReadingInItsColumn();

private:
    // Starts a query and waits for its one outcome; false if none came.
    bool queryAndWait(std::chrono::milliseconds timeout);

    std::unique_ptr<PtyScanner> m_scanner;
    std::unique_ptr<QtSerialPort> m_port;
    QtTimerFactory m_timers;
    std::unique_ptr<ScannerLink> m_link;
    std::unique_ptr<QSignalSpy> m_replies;
    std::unique_ptr<QSignalSpy> m_failures;
};

void tst_SimulatorPty::init()
{
    m_scanner = std::make_unique<PtyScanner>();
    if (!m_scanner->start())
        QSKIP(qPrintable(u"no pseudo-terminal available: "_s + m_scanner->errorString()));
    m_port = std::make_unique<QtSerialPort>();
    m_port->setDevice(m_scanner->devicePath());
    QVERIFY2(m_port->open(), qPrintable(m_port->errorString()));
    m_link = std::make_unique<ScannerLink>(*m_port, m_timers);
    m_replies = std::make_unique<QSignalSpy>(m_link.get(), &ScannerLink::replyReceived);
    m_failures = std::make_unique<QSignalSpy>(m_link.get(), &ScannerLink::exchangeFailed);
}

void tst_SimulatorPty::cleanup()
{
    m_replies.reset();
    m_failures.reset();
    m_link.reset();
    m_port.reset();
    m_scanner.reset();
}

bool tst_SimulatorPty::queryAndWait(std::chrono::milliseconds timeout)
{
    const qsizetype before = m_replies->count() + m_failures->count();
    // As a scan does: a late reply of the channel selected before is awaited
    // or its window passes first.
    // Ticks are never closer than a line's echo window.
    QTest::qWait(int(ScannerLink::kEchoWindow.count()) + 1);
    if (!QTest::qWaitFor([&] { return !m_link->isDraining(); }, kWaitMs) || !m_link->query(timeout))
        return false;
    return QTest::qWaitFor([&] { return m_replies->count() + m_failures->count() == before + 1; },
                           kWaitMs);
}

void tst_SimulatorPty::exchange_data()
{
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<int>("pieces");
    QTest::addColumn<int>("gapMs");

    QTest::newRow("at once") << 0 << 1 << 0;
    QTest::newRow("delayed") << 200 << 1 << 0;
    QTest::newRow("in pieces") << 0 << 5 << 40;
    QTest::newRow("byte by byte") << 0 << 100 << 1;
    QTest::newRow("delayed, in pieces") << 100 << 3 << 60;
}

void tst_SimulatorPty::exchange()
{
    QFETCH(int, delayMs);
    QFETCH(int, pieces);
    QFETCH(int, gapMs);
    ScannerModel::Options &options = m_scanner->model().options();
    options.replyDelay = std::chrono::milliseconds(delayMs);
    options.pieces = pieces;
    options.pieceGap = std::chrono::milliseconds(gapMs);

    QVERIFY(m_link->select(5));
    QVERIFY(queryAndWait(kReplyTimeout));
    QVERIFY(m_link->select(12));
    QVERIFY(queryAndWait(kReplyTimeout));

    QCOMPARE(m_failures->count(), 0);
    QCOMPARE(m_scanner->model().wireLog(), "V05\r\n?R\r\nV12\r\n?R\r\n"_ba);
    QCOMPARE(m_replies->at(0).at(1).toByteArray(), ScannerModel::replyText(5, 0));
    const ParsedReply second = m_replies->at(1).at(0).value<ParsedReply>();
    QCOMPARE(second.value, ScannerModel::valueText(12, 1));
    QCOMPARE(second.unit, u"kgf/cm2"_s);
}

void tst_SimulatorPty::channelFaults()
{
    // One pass as a scan makes it, with one channel unreadable in each way.
    ScannerModel::Options &options = m_scanner->model().options();
    options.channelFaults = { { 1, ScannerModel::ReplyFault::NoComma },
                              { 2, ScannerModel::ReplyFault::EarlyComma },
                              { 3, ScannerModel::ReplyFault::Garbage },
                              { 4, ScannerModel::ReplyFault::Silent } };
    QStringList values;
    QStringList units;
    for (int channel = 0; channel <= 5; ++channel) {
        QVERIFY(m_link->select(channel));
        const qsizetype repliesBefore = m_replies->count();
        QVERIFY(queryAndWait(kShortTimeout));
        if (m_replies->count() == repliesBefore) {
            values << u"(none)"_s;
            units << u"(none)"_s;
            continue;
        }
        const ParsedReply reply = m_replies->last().at(0).value<ParsedReply>();
        values << (reply.valueTaken ? reply.value : u"(not taken)"_s);
        units << reply.unit;
    }
    QCOMPARE(values,
             QStringList({ ScannerModel::valueText(0, 0), ScannerModel::valueText(1, 1),
                           u"(not taken)"_s, u"(not taken)"_s, u"(none)"_s,
                           ScannerModel::valueText(5, 5) }));
    QCOMPARE(units.at(0), u"kgf/cm2"_s);
    QCOMPARE(units.at(1), QString());
    QCOMPARE(units.at(2), u"kgf/cm2"_s);
    QCOMPARE(m_failures->count(), 1);
}

void tst_SimulatorPty::silentTimesOutAndLateReplyIsDropped()
{
    ScannerModel::Options &options = m_scanner->model().options();
    options.replyDelay = 2 * kShortTimeout;

    QVERIFY(m_link->select(5));
    QVERIFY(queryAndWait(kShortTimeout));
    QCOMPARE(m_failures->count(), 1);
    QCOMPARE(m_failures->at(0).at(0).value<ScannerLink::Failure>(), ScannerLink::Failure::TimedOut);

    // Channel 5's reply arrives after its time-out; the next query, for
    // channel 6, must get channel 6's reading.
    QTRY_COMPARE_WITH_TIMEOUT(m_scanner->model().queriesReceived(), quint64(1), kWaitMs);
    QTest::qWait(int((3 * kShortTimeout).count()));
    options.replyDelay = 0ms;
    QVERIFY(m_link->select(6));
    QVERIFY(queryAndWait(kReplyTimeout));
    QCOMPARE(m_replies->count(), 1);
    QCOMPARE(m_replies->at(0).at(1).toByteArray(), ScannerModel::replyText(6, 1));
}

void tst_SimulatorPty::closedLineFailsOnce()
{
    m_scanner->model().options().closeAfterQueries = 2;
    QSignalSpy lineFailures(m_port.get(), &SerialPort::lineFailed);
    QSignalSpy closed(m_scanner.get(), &PtyScanner::lineClosed);

    QVERIFY(queryAndWait(kReplyTimeout));
    QVERIFY(queryAndWait(kReplyTimeout));
    QCOMPARE(m_replies->count(), 2);
    QVERIFY(queryAndWait(kReplyTimeout));
    QCOMPARE(closed.count(), 1);
    QCOMPARE(m_failures->count(), 1);
    QCOMPARE(m_failures->at(0).at(0).value<ScannerLink::Failure>(),
             ScannerLink::Failure::LineFailed);

    // The port reports a dead line once and closes, instead of repeating the
    // error at full speed.
    QTest::qWait(200);
    QCOMPARE(lineFailures.count(), 1);
    QCOMPARE(m_failures->count(), 1);
    QVERIFY(!m_port->isOpen());
    QVERIFY(!m_link->query(kReplyTimeout));
}

void tst_SimulatorPty::scanPutsEveryReadingInItsColumn_data()
{
    QTest::addColumn<int>("delayMs"); // of every reply
    QTest::addColumn<QList<int>>("lateQueries"); // 0 is the query written at Start
    QTest::addColumn<int>("lateMs");
    QTest::addColumn<QList<int>>("dead");
    // Late replies overtaken by the replies to later queries.
    QTest::addColumn<bool>("overtake");
    QTest::addColumn<QList<int>>("cut"); // queries answered with half a reply
    QTest::addColumn<QList<int>>("endless"); // queries answered with a megabyte, no terminator

    const QList<int> none;
    // At the shortest term (0.2 s) a reply waits up to 0.99 s.
    QTest::newRow("prompt") << 0 << none << 0 << none << false << none << none;
    QTest::newRow("every reply over the term") << 900 << none << 0 << none << false << none << none;
    QTest::newRow("every reply over the wait")
        << 1500 << none << 0 << none << false << none << none;
    QTest::newRow("every reply 2 s") << 2000 << none << 0 << none << false << none << none;
    // The retry's reply comes after the late one, when the next channel's query
    // may already wait.
    QTest::newRow("one reply late")
        << 350 << QList<int> { 2 } << 1100 << none << false << none << none;
    QTest::newRow("first reply late")
        << 0 << QList<int> { 0 } << 2000 << none << false << none << none;
    QTest::newRow("dead channel, then a late reply")
        << 350 << QList<int> { 4 } << 1100 << QList<int> { 3 } << false << none << none;
    // The retry is answered at once and the late reply comes 3.5 s after its
    // query, when the next channel, or the next pass, is due.
    QTest::newRow("two late replies overtaken")
        << 0 << QList<int> { 2, 6 } << 3500 << none << true << none << none;
    QTest::newRow("a reply cut short")
        << 0 << none << 0 << none << false << QList<int> { 2, 5 } << none;
    QTest::newRow("an endless line") << 0 << none << 0 << none << false << none << QList<int> { 2 };
}

void tst_SimulatorPty::scanPutsEveryReadingInItsColumn()
{
    QFETCH(int, delayMs);
    QFETCH(QList<int>, lateQueries);
    QFETCH(int, lateMs);
    QFETCH(QList<int>, dead);
    QFETCH(bool, overtake);
    QFETCH(QList<int>, cut);
    QFETCH(QList<int>, endless);
    constexpr int kStart = 3; // the scanner starts on channel 0
    constexpr int kEnd = 5;
    constexpr int kPasses = 2;
    ScannerModel::Options &options = m_scanner->model().options();
    options.replyDelay = std::chrono::milliseconds(delayMs);
    options.overtake = overtake;
    for (int query : std::as_const(lateQueries))
        options.queryDelays.insert(quint64(query), std::chrono::milliseconds(lateMs));
    for (int channel : std::as_const(dead))
        options.channelFaults.insert(channel, ScannerModel::ReplyFault::Silent);
    for (int query : std::as_const(cut))
        options.queryFaults.insert(quint64(query), ScannerModel::ReplyFault::Cut);
    for (int query : std::as_const(endless))
        options.queryFaults.insert(quint64(query), ScannerModel::ReplyFault::Endless);
    qsizetype mostBuffered = 0;
    connect(m_port.get(), &SerialPort::readyRead, this,
            [&] { mostBuffered = std::max(mostBuffered, m_link->bufferedBytes()); });

    ResultTable table;
    table.setCols(kEnd - kStart + 3);
    ScanCycle cycle(*m_link, m_timers, table);
    cycle.StartPolling(kStart, kEnd, 200ms);
    // The pass after the last one checked has begun.
    QVERIFY(QTest::qWaitFor([&] { return table.rows() >= kPasses + 2; }, 60000));
    cycle.StopScan();

    for (int row = 1; row <= kPasses; ++row) {
        for (int channel = kStart; channel <= kEnd; ++channel) {
            const int column = channel - kStart + 1;
            const QString value = table.text(row, column);
            const QString where = u"row %1, Ch %2: '%3'"_s.arg(row).arg(channel).arg(value);
            // A dead channel is given up; a slow one never.
            QVERIFY2(table.isMarked(row, column) == dead.contains(channel), qPrintable(where));
            QVERIFY2(value.isEmpty() == dead.contains(channel), qPrintable(where));
            // Every value of the simulator is channel × 1.5 − 7 plus less than 0.25.
            if (!value.isEmpty())
                QVERIFY2(int(std::floor((value.toDouble() + 7) / 1.5)) == channel,
                         qPrintable(where));
        }
    }
    // A line without end is dropped as it comes, never collected.
    QVERIFY2(mostBuffered <= ScannerLink::kMaxReplyLength + 1,
             qPrintable(QString::number(mostBuffered)));
    QCOMPARE(m_link->overlongLines() > 0, !endless.isEmpty());
}

QTEST_GUILESS_MAIN(tst_SimulatorPty)
#include "tst_simulator_pty.moc"
