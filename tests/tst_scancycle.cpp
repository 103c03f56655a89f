#include "FakeScanner.h"
#include "MainWindowFixture.h"
#include "ResultTable.h"
#include "ScanCycle.h"
#include "ThreadedScanRecord.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;

// The automatic scan, through the session alone where the cycle is tested and
// through the main window where its controls are, against the simulated
// scanner on a fake port: timers fire when the test says so.
class tst_ScanCycle : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void twentyChannelScanFillsThePredictedTable();
    void oneChannelScanAddsARowEveryTick();
    void endBelowStartIsRefused();
    void scanTerm_data();
    void scanTerm();
    void termTooLongForTheTimerIsRefused();
    void portThatCannotOpenLeavesEverythingAsBefore();
    void controlsFollowTheScanState();
    void ticksNeverOverlap();
    void stopDuringAReplyWaitStoresNothing();
    void failingChannelsAreGivenUp();
    void silentFirstChannelAddsNoPhantomRows();
    void passingFaultIsRetriedIntoTheSameCell();
    void lateReplyIsNeverAnotherChannelsReading_data();
    void lateReplyIsNeverAnotherChannelsReading();
    void replyTimeoutEndsBeforeATick_data();
    void replyTimeoutEndsBeforeATick();
    void lostLineStopsTheScanKeepingTheRows();
    void unfinishedScanIsOfferedBack_data();
    void unfinishedScanIsOfferedBack();
    void lostLineReconnectsInTheStatusBarUntilStopped();

private:
    struct Scan
    {
        MainWindowFixture f;
        FakeScanner scanner { f.port };

        Scan(int start, int end, const QString &term = u"1"_s)
        {
            f.start();
            f.find<QComboBox>(u"cboStart"_s)->setCurrentIndex(start);
            f.find<QComboBox>(u"cboEnd"_s)->setCurrentIndex(end);
            f.find<QLineEdit>(u"txtTerm"_s)->setText(term);
        }
        void start() { trigger(*f.window, u"mnuScanStart"_s); }
        void stop() { trigger(*f.window, u"mnuScanStop"_s); }
        // One tick of the scan timer, and the reply it asks for.
        void tick()
        {
            f.scanTimer()->fire();
            QCoreApplication::processEvents();
        }
        // A tick whose query goes unanswered until the reply time-out.
        void tickWithoutReply()
        {
            tick();
            f.replyTimer()->fire();
        }
        const ResultTable &table() const { return f.window->resultTable(); }
        QString status() const { return f.find<QLabel>(u"sbStatusBarText"_s)->text(); }
    };

    // The same scan with no window: the session is sent its request directly.
    struct SessionScan
    {
        struct Parts
        {
            FakeSerialPort port;
            FakeTimerFactory timers;
            FakeTimer *replyTimer() const { return timers.named(u"replyTimeout"_s); }
            FakeTimer *scanTimer() const { return timers.named(u"tmrScan"_s); }
            void outwaitOwedReplies() { timers.advance(ScannerLink::kReplyBound); }
        } f;
        ScanSession session { f.port, f.timers };
        FakeScanner scanner { f.port };
        ScanSession::Request request;

        SessionScan(int start, int end)
        {
            request.startCh = start;
            request.endCh = end;
            request.portName = u"com1"_s;
            request.device = u"/dev/ttyS0"_s;
        }
        void start() { QVERIFY(session.start(request)); }
        void stop() { session.stop(); }
        void tick()
        {
            f.scanTimer()->fire();
            QCoreApplication::processEvents();
        }
        const ResultTable &table() const { return session.table(); }
    };
};

void tst_ScanCycle::twentyChannelScanFillsThePredictedTable()
{
    Scan scan(0, 19);
    scan.start();
    QCOMPARE(scan.f.scanTimer()->interval(), std::chrono::milliseconds(1000));
    QCOMPARE(scan.f.port.written, QByteArray("?R\r\n"));

    scan.tick();
    // The first tick only selects the start channel.
    QCOMPARE(scan.f.port.written, QByteArray("?R\r\nV00\r\n"));
    QCOMPARE(scan.table().rows(), 1);
    QCOMPARE(scan.f.find<QLabel>(u"lblCH"_s)->text(), u"00"_s);

    const int passes = 3;
    for (int i = 0; i < passes * 20; ++i)
        scan.tick();
    scan.tick(); // tick 62 begins the fourth pass
    QCOMPARE(scan.table().rows(), passes + 2);

    QByteArray wire("?R\r\nV00\r\n");
    for (int i = 1; i <= passes * 20 + 1; ++i)
        wire += "?R\r\nV" + channelText(i % 20).toLatin1() + "\r\n";
    QCOMPARE(scan.f.port.written, wire);

    // Query 0 is the one written at start; the reading of channel c in pass p
    // answers query 1 + 20 p + c.
    for (int pass = 0; pass < passes; ++pass) {
        const int row = pass + 1;
        QCOMPARE(scan.table().text(row, 0), QString::number(row));
        for (int channel = 0; channel < 20; ++channel)
            QCOMPARE(scan.table().text(row, channel + 1),
                     ScannerModel::valueText(channel, 1 + 20 * pass + channel));
        QCOMPARE(scan.table().text(row, 21), u"kgf/cm2"_s);
    }
    QCOMPARE(scan.table().text(4, 1), ScannerModel::valueText(0, 61));
    QCOMPARE(scan.table().text(4, 2), QString());
    // The readouts: the value just read, and the channel just selected.
    QCOMPARE(scan.f.find<QLabel>(u"lblPres"_s)->text(), ScannerModel::valueText(0, 61));
    QCOMPARE(scan.f.find<QLabel>(u"lblCH"_s)->text(), u"01"_s);
    QVERIFY(scan.status().isEmpty());
}

void tst_ScanCycle::oneChannelScanAddsARowEveryTick()
{
    SessionScan scan(5, 5);
    scan.start();
    QCOMPARE(scan.table().cols(), 3);
    QCOMPARE(scan.table().text(0, 1), u"Ch 05"_s);
    for (int i = 0; i < 4; ++i)
        scan.tick();
    QCOMPARE(scan.table().rows(), 4);
    for (int row = 1; row <= 3; ++row) {
        QCOMPARE(scan.table().text(row, 0), QString::number(row));
        QCOMPARE(scan.table().text(row, 1), ScannerModel::valueText(5, row));
        QCOMPARE(scan.table().text(row, 2), u"kgf/cm2"_s);
    }
}

void tst_ScanCycle::endBelowStartIsRefused()
{
    Scan scan(7, 3);
    scan.start();
    QCOMPARE(scan.f.dialogs.messages.size(), 1);
    QCOMPARE(scan.f.dialogs.messages.first().title, u"Channel Error"_s);
    QCOMPARE(scan.f.dialogs.messages.first().text, u"Set Start CH less than End CH..."_s);
    QCOMPARE(scan.f.dialogs.messages.first().icon, QMessageBox::Information);
    QCOMPARE(scan.f.port.openCount, 0);
    QVERIFY(!scan.f.scanTimer()->isActive());
    QVERIFY(scan.f.command(u"mnuScanStart"_s)->isEnabled());
    QVERIFY(!scan.f.window->Unsaved());
    QCOMPARE(scan.table().cols(), 22);
}

void tst_ScanCycle::scanTerm_data()
{
    QTest::addColumn<QString>("term");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("period");
    QTest::newRow("too short") << u"0.1"_s << u"0.2"_s << 200;
    QTest::newRow("zero") << u"0"_s << u"0.2"_s << 200;
    QTest::newRow("empty") << QString() << u"0.2"_s << 200;
    QTest::newRow("letters") << u"abc"_s << u"0.2"_s << 200;
    QTest::newRow("shortest kept") << u"0.2"_s << u"0.2"_s << 200;
    QTest::newRow("fraction") << u"1.5"_s << u"1.5"_s << 1500;
    QTest::newRow("half millisecond to even") << u"0.2345"_s << u"0.2345"_s << 234;
}

void tst_ScanCycle::scanTerm()
{
    QFETCH(QString, term);
    QFETCH(QString, shown);
    QFETCH(int, period);
    Scan scan(0, 1, term);
    scan.start();
    QCOMPARE(scan.f.find<QLineEdit>(u"txtTerm"_s)->text(), shown);
    QCOMPARE(scan.f.scanTimer()->interval(), std::chrono::milliseconds(period));
}

void tst_ScanCycle::termTooLongForTheTimerIsRefused()
{
    Scan scan(0, 1, u"3000000"_s);
    scan.start();
    QCOMPARE(scan.f.dialogs.messages.size(), 1);
    QVERIFY(scan.f.dialogs.messages.first().text.contains(u"too long"_s));
    QCOMPARE(scan.f.port.openCount, 0);
    QVERIFY(scan.f.command(u"mnuScanStart"_s)->isEnabled());
    QVERIFY(!scan.f.window->Unsaved());
}

void tst_ScanCycle::portThatCannotOpenLeavesEverythingAsBefore()
{
    Scan scan(2, 4);
    scan.f.port.openFails = true;
    scan.start();
    QCOMPARE(scan.f.dialogs.messages.size(), 1);
    const QString text = scan.f.dialogs.messages.first().text;
    QVERIFY2(text.contains(u"com1"_s) && text.contains(u"/dev/ttyS0"_s)
                 && text.contains(u"cannot open"_s),
             qPrintable(text));
    QCOMPARE(scan.f.session->state(), ScanSession::State::Idle);
    QVERIFY(scan.f.command(u"mnuScanStart"_s)->isEnabled());
    QVERIFY(!scan.f.command(u"mnuScanStop"_s)->isEnabled());
    QVERIFY(scan.f.find<QGroupBox>(u"fraSet"_s)->isEnabled());
    QVERIFY(!scan.f.window->Unsaved());
    QVERIFY(!scan.f.scanTimer()->isActive());
    QCOMPARE(scan.table().cols(), 22); // still laid out for 0 to 19
}

void tst_ScanCycle::controlsFollowTheScanState()
{
    Scan scan(0, 3);
    frmMain &w = *scan.f.window;
    auto menuItem = [&](const char *name) {
        return scan.f.find<QAction>(QString::fromLatin1(name));
    };
    scan.start();
    for (const char *name : { "mnuFileNew", "mnuFileOpen", "mnuFileSave", "mnuFilePrint",
                              "mnuScanStart", "mnuScanStop", "mnuScanManual" })
        QCOMPARE(menuItem(name)->isEnabled(), qstrcmp(name, "mnuScanStop") == 0);
    QVERIFY(menuItem("mnuFileExit")->isEnabled());
    QVERIFY(menuItem("mnuHelpAbout")->isEnabled());
    QVERIFY(!scan.f.find<QMenu>(u"mnuChannel"_s)->menuAction()->isEnabled());
    QVERIFY(!scan.f.find<QMenu>(u"mnuComm"_s)->menuAction()->isEnabled());
    QVERIFY(!scan.f.find<QGroupBox>(u"fraSet"_s)->isEnabled());
    QVERIFY(w.Unsaved());
    QVERIFY(scan.f.port.isOpen());

    scan.tick();
    scan.tick();
    scan.stop();
    QCOMPARE(scan.f.session->state(), ScanSession::State::Idle);
    for (const char *name : { "mnuFileNew", "mnuFileOpen", "mnuFileSave", "mnuScanManual" })
        QVERIFY(menuItem(name)->isEnabled());
    for (const char *name : { "mnuFilePrint", "mnuScanStart", "mnuScanStop" })
        QVERIFY(!menuItem(name)->isEnabled());
    QVERIFY(scan.f.find<QMenu>(u"mnuChannel"_s)->menuAction()->isEnabled());
    QVERIFY(scan.f.find<QGroupBox>(u"fraSet"_s)->isEnabled());
    QVERIFY(!scan.f.scanTimer()->isActive());
    QVERIFY(!scan.f.port.isOpen());
    QVERIFY(w.Unsaved());
    QCOMPARE(scan.table().rows(), 2);

    // Only New makes Start available again, on an empty table.
    scan.f.dialogs.answers << QMessageBox::No;
    trigger(w, u"mnuFileNew"_s);
    QCOMPARE(scan.f.session->state(), ScanSession::State::Idle);
    QVERIFY(scan.f.command(u"mnuScanStart"_s)->isEnabled());
    QCOMPARE(scan.table().rows(), 1);
}

void tst_ScanCycle::ticksNeverOverlap()
{
    SessionScan scan(0, 3);
    scan.scanner.model.options().fault = ScannerModel::ReplyFault::Silent;
    scan.start();
    scan.tick();
    scan.f.outwaitOwedReplies(); // nor does the first query's
    scan.tick(); // waits for a reply that does not come
    const QByteArray before = scan.f.port.written;
    scan.tick();
    scan.tick();
    QCOMPARE(scan.f.port.written, before);
    QCOMPARE(before.count("?R"), 2);
}

void tst_ScanCycle::stopDuringAReplyWaitStoresNothing()
{
    SessionScan scan(0, 3);
    scan.start();
    scan.tick();
    scan.f.scanTimer()->fire(); // the query is written, its reply still on its way
    scan.stop();
    QCoreApplication::processEvents();
    QCOMPARE(scan.table().text(1, 1), QString());
    QVERIFY(!scan.f.port.isOpen());
    QVERIFY(!scan.f.replyTimer()->isActive());
    QCOMPARE(scan.f.port.written.count("V"), 1);
}

void tst_ScanCycle::failingChannelsAreGivenUp()
{
    Scan scan(0, 9);
    auto &faults = scan.scanner.model.options().channelFaults;
    faults.insert(7, ScannerModel::ReplyFault::Silent);
    faults.insert(3, ScannerModel::ReplyFault::EarlyComma);
    scan.start();
    scan.tick();
    const int passes = 5;
    for (int pass = 0; pass < passes; ++pass) {
        for (int channel = 0; channel < 10; ++channel) {
            // A channel that never answered is asked once per pass after its
            // first given-up cell.
            const bool failing = channel == 3 || channel == 7;
            const int attempts = channel == 7 && pass > 0 ? 1
                : failing                                 ? ScanCycle::kMaxAttempts
                                                          : 1;
            for (int attempt = 0; attempt < attempts; ++attempt) {
                if (channel == 7)
                    scan.tickWithoutReply();
                else
                    scan.tick();
            }
            if (failing)
                scan.tick(); // selects the next channel after giving up
            if (channel == 3 || channel == 7)
                scan.f.outwaitOwedReplies(); // no readable reply came
        }
    }
    QCOMPARE(scan.table().rows(), passes + 1);
    for (int row = 1; row <= passes; ++row) {
        QCOMPARE(scan.table().text(row, 0), QString::number(row));
        for (int channel = 0; channel < 10; ++channel) {
            const bool failing = channel == 3 || channel == 7;
            QCOMPARE(scan.table().text(row, channel + 1).isEmpty(), failing);
            QCOMPARE(scan.table().isMarked(row, channel + 1), failing);
        }
        QCOMPARE(scan.table().text(row, 11), u"kgf/cm2"_s);
    }
    const QModelIndex silent = scan.table().index(0, 8);
    QCOMPARE(scan.table().data(silent, Qt::ToolTipRole).toString(), u"no reply"_s);
    const QString unreadable
        = scan.table().data(scan.table().index(0, 4), Qt::ToolTipRole).toString();
    QVERIFY2(unreadable.startsWith(u"unreadable reply"_s), qPrintable(unreadable));
    // A summary that cannot overflow the status bar; the live view has the counts.
    QVERIFY2(scan.status().contains(u"2 channels failing; see Live View"_s),
             qPrintable(scan.status()));
}

void tst_ScanCycle::silentFirstChannelAddsNoPhantomRows()
{
    Scan scan(0, 9);
    scan.scanner.model.options().channelFaults.insert(0, ScannerModel::ReplyFault::Silent);
    scan.start();
    scan.tick();
    scan.f.outwaitOwedReplies(); // the first query, on channel 0, got no reply
    const int passes = 5;
    for (int pass = 0; pass < passes; ++pass) {
        // Asked once per pass once it never answered.
        for (int attempt = 0; attempt < (pass == 0 ? ScanCycle::kMaxAttempts : 1); ++attempt)
            scan.tickWithoutReply();
        scan.tick();
        scan.f.outwaitOwedReplies(); // no late reply came
        for (int channel = 1; channel < 10; ++channel)
            scan.tick();
    }
    QCOMPARE(scan.table().rows(), passes + 1);
    for (int row = 1; row <= passes; ++row) {
        QCOMPARE(scan.table().text(row, 0), QString::number(row));
        QVERIFY(scan.table().isMarked(row, 1));
        QVERIFY(!scan.table().text(row, 2).isEmpty());
        // The unit comes with the pass's first reading that arrives.
        QCOMPARE(scan.table().text(row, 11), u"kgf/cm2"_s);
    }
    QVERIFY2(scan.status().contains(u"1 channel failing; see Live View"_s),
             qPrintable(scan.status()));
}

void tst_ScanCycle::passingFaultIsRetriedIntoTheSameCell()
{
    Scan scan(0, 2);
    scan.start();
    scan.tick();
    scan.scanner.model.options().fault = ScannerModel::ReplyFault::Silent;
    scan.tickWithoutReply(); // channel 0 does not answer once
    QCOMPARE(scan.table().rows(), 2);
    QVERIFY(scan.status().startsWith(u"No reply from scanner on com1"_s));
    scan.scanner.model.options().fault = ScannerModel::ReplyFault::None;
    scan.tick();
    // The reply taken may have been the late one: the next channel is read
    // once the other reply has come or could no longer come.
    scan.f.outwaitOwedReplies();
    for (int i = 0; i < 5; ++i)
        scan.tick();
    // The retry reused the row: no row holds only its ID.
    QCOMPARE(scan.table().rows(), 3);
    QCOMPARE(scan.table().text(1, 1), ScannerModel::valueText(0, 2));
    QCOMPARE(scan.table().text(2, 3), ScannerModel::valueText(2, 7));
    QVERIFY(!scan.table().isMarked(1, 1));
    QVERIFY2(!scan.status().startsWith(u"No reply"_s), qPrintable(scan.status()));
    QVERIFY2(!scan.status().contains(u"failing"_s), qPrintable(scan.status()));
}

void tst_ScanCycle::lateReplyIsNeverAnotherChannelsReading_data()
{
    // Replies to these queries (0 is the one written at Start) come late: they
    // and every reply after them arrive only at an "r" step.
    QTest::addColumn<QList<quint64>>("late");
    // t: a tick; x: the reply wait times out; r: the oldest late reply arrives;
    // w: the time passes in which an owed reply could come.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("readings");
    QTest::newRow("first query") << QList<quint64> { 0 } << u"ttrtttt"_s << 4;
    QTest::newRow("after its time-out, before the retry's reply")
        << QList<quint64> { 1 } << u"ttxtrtrwtt"_s << 3;
    QTest::newRow("of a channel given up")
        << QList<quint64> { 1, 2, 3 } << u"ttxtxtxttrrrwtt"_s << 2;
}

void tst_ScanCycle::lateReplyIsNeverAnotherChannelsReading()
{
    QFETCH(QList<quint64>, late);
    QFETCH(QString, steps);
    QFETCH(int, readings);
    // Channels 3 to 5; the scanner starts on channel 0.
    SessionScan scan(3, 5);
    for (quint64 query : std::as_const(late))
        scan.scanner.model.options().queryDelays.insert(query, std::chrono::milliseconds(1500));
    scan.start();
    for (const QChar step : std::as_const(steps)) {
        if (step == u't')
            scan.tick();
        else if (step == u'x')
            scan.f.replyTimer()->fire();
        else if (step == u'w')
            scan.f.outwaitOwedReplies();
        else
            QVERIFY(scan.scanner.releaseReply());
    }
    int stored = 0;
    for (int row = 1; row < scan.table().rows(); ++row) {
        for (int column = 1; column <= 3; ++column) {
            const QString value = scan.table().text(row, column);
            if (value.isEmpty())
                continue;
            ++stored;
            // Every value of the simulator is channel × 1.5 − 7 plus less than 0.25.
            const int channel = int(std::floor((value.toDouble() + 7) / 1.5));
            QVERIFY2(channel == column + 2,
                     qPrintable(u"row %1, Ch %2 holds %3"_s.arg(row).arg(column + 2).arg(value)));
        }
    }
    QCOMPARE(stored, readings);
}

void tst_ScanCycle::replyTimeoutEndsBeforeATick_data()
{
    QTest::addColumn<int>("period");
    QTest::addColumn<int>("timeout");
    QTest::newRow("shortest term") << 200 << 990;
    QTest::newRow("term not dividing a second") << 300 << 1190;
    QTest::newRow("one second") << 1000 << 990;
    QTest::newRow("long term") << 5000 << 4990;
    QTest::newRow("tiny period") << 8 << 998;
}

void tst_ScanCycle::replyTimeoutEndsBeforeATick()
{
    QFETCH(int, period);
    QFETCH(int, timeout);
    QCOMPARE(ScanCycle::replyTimeoutFor(std::chrono::milliseconds(period)),
             std::chrono::milliseconds(timeout));
}

void tst_ScanCycle::lostLineStopsTheScanKeepingTheRows()
{
    Scan scan(0, 1);
    scan.scanner.model.options().closeAfterQueries = 5;
    QAction *stopOnLoss = scan.f.window->findChild<QAction *>(u"mnuStopOnLineLoss"_s);
    QVERIFY(stopOnLoss && !stopOnLoss->isChecked());
    stopOnLoss->trigger();
    scan.start();
    for (int i = 0; i < 6; ++i)
        scan.tick();
    QCOMPARE(scan.f.session->state(), ScanSession::State::Idle);
    QVERIFY(!scan.f.scanTimer()->isActive());
    QVERIFY(!scan.f.command(u"mnuScanStart"_s)->isEnabled());
    QVERIFY(scan.f.command(u"mnuFileNew"_s)->isEnabled());
    QVERIFY(scan.f.window->Unsaved());
    // The pass that the failure interrupted had stored nothing: no ID-only row.
    QCOMPARE(scan.table().rows(), 3);
    QCOMPARE(scan.table().text(2, 1), ScannerModel::valueText(0, 3));
    QVERIFY2(scan.status().contains(u"Scan stopped"_s), qPrintable(scan.status()));
}

void tst_ScanCycle::lostLineReconnectsInTheStatusBarUntilStopped()
{
    Scan scan(0, 1);
    scan.scanner.model.options().closeAfterQueries = 5;
    scan.start();
    for (int i = 0; i < 6; ++i)
        scan.tick();
    // The line is lost by now; the scan goes on, reopening it.
    QCOMPARE(scan.f.session->state(), ScanSession::State::Reconnecting);
    QVERIFY(scan.f.scanTimer()->isActive());
    scan.f.port.openFails = true;
    scan.f.timers.named(u"reconnectTimer"_s)->fire();
    QVERIFY2(scan.status().startsWith(u"Scanner on com1 ("_s)
                 && scan.status().contains(u"; reconnecting (attempt 2)"_s),
             qPrintable(scan.status()));
    QVERIFY(scan.f.command(u"mnuScanStop"_s)->isEnabled());
    scan.stop();
    QCOMPARE(scan.f.session->state(), ScanSession::State::Idle);
    QVERIFY(!scan.status().contains(u"reconnecting"_s));
}

QTEST_MAIN(tst_ScanCycle)
#include "tst_scancycle.moc"

void tst_ScanCycle::unfinishedScanIsOfferedBack_data()
{
    QTest::addColumn<bool>("restore");
    QTest::newRow("yes") << true;
    QTest::newRow("no") << false;
}

void tst_ScanCycle::unfinishedScanIsOfferedBack()
{
    QFETCH(bool, restore);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"scans.sqlite"_s);
    QList<QStringList> taken;
    // The scan is restored with the names it was taken with, not today's.
    ChannelNames then;
    then.set(3, u"Inlet"_s, u"tap A"_s);
    ChannelNames today;
    today.set(3, u"Renamed"_s, {});
    {
        // A scan that ends without Stop or Exit, as when the program is killed.
        ThreadedScanRecord record(path);
        QVERIFY(record.open());
        Scan scan(2, 4);
        scan.f.session->setRecord(&record);
        QVERIFY(then.save(*scan.f.settings));
        scan.start();
        for (int tick = 0; tick < 8; ++tick)
            scan.tick();
        QCOMPARE(scan.table().channelNames(), then);
        for (int row = 0; row < scan.table().rows(); ++row) {
            QStringList cells;
            for (int column = 0; column < scan.table().cols(); ++column)
                cells << scan.table().text(row, column);
            taken << cells;
        }
        scan.f.session->setRecord(nullptr);
    }
    ThreadedScanRecord record(path);
    QVERIFY(record.open());
    MainWindowFixture f;
    f.create();
    f.session->setRecord(&record);
    QVERIFY(today.save(*f.settings));
    f.window->Form_Load();
    f.dialogs.answers << (restore ? QMessageBox::Yes : QMessageBox::No);
    f.window->offerRecovery();
    QCOMPARE(f.dialogs.messages.size(), 1);
    QVERIFY2(f.dialogs.messages.first().text.contains(u"on com1 (3 passes, 7 readings) was not "
                                                      u"saved. Restore it?"_s),
             qPrintable(f.dialogs.messages.first().text));
    const ResultTable &table = f.window->resultTable();
    QCOMPARE(table.channelNames(), restore ? then : today);
    if (!restore) {
        QCOMPARE(table.rows(), 1);
        QCOMPARE(record.listScans().first().state, ScanState::Discarded);
        return;
    }
    QCOMPARE(table.rows(), taken.size());
    for (int row = 0; row < table.rows(); ++row)
        for (int column = 0; column < table.cols(); ++column)
            QCOMPARE(table.text(row, column), taken.at(row).at(column));
    QVERIFY(table.rowTime(1).isValid());
    QVERIFY(f.window->Unsaved());
    QVERIFY(!f.command(u"mnuScanStart"_s)->isEnabled());
    QVERIFY(f.window->windowTitle().startsWith(u"VESTRA-IP -[Recovered scan "_s));
    // Saved, it is no longer offered.
    f.dialogs.savePaths << dir.filePath(u"recovered.txt"_s);
    trigger(*f.window, u"mnuFileSave"_s);
    QCOMPARE(record.listScans().first().state, ScanState::Saved);
    QVERIFY(record.unfinishedScans().isEmpty());
}
