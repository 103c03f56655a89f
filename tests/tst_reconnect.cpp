#include "FakeScanner.h"
#include "FakeSerialPortLister.h"
#include "FakeTimer.h"
#include "ResultTable.h"
#include "ScanSession.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// A scan that outlives its line, on a fake port whose failures and reopening
// the test decides, with timers it fires by hand.
class tst_Reconnect : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lostLineKeepsTheScanAndGivesUpOnlyTheMissedCells();
    void stopEndsReconnecting();
    void manualLineFailsOnceAndReopensAtTheNextReading();
    void renamedAdapterIsFoundAgain_data();
    void renamedAdapterIsFoundAgain();
    void stablePathLeadsToTheDevice();

private:
    struct Rig
    {
        FakeSerialPort port;
        FakeTimerFactory timers;
        ScanSession session { port, timers };
        FakeScanner scanner { port };
        QList<Reading> readings;
        // Queries the scanner has received: the reply to the last one read
        // carries this number, less one.
        int queries() const { return int(port.written.count("?R\r\n")); }

        Rig()
        {
            QObject::connect(
                &session, &ScanSession::readingDone, &session, [this](const Reading &reading) {
                    if (reading.taken())
                        QCOMPARE(reading.value,
                                 ScannerModel::valueText(reading.channel, quint64(queries() - 1)));
                    readings.append(reading);
                });
        }
        // Link's late-reply and reply timers, the scan timer, the keeper's.
        FakeTimer *scanTimer() const { return timers.named(QStringLiteral("tmrScan")); }
        FakeTimer *keeperTimer() const { return timers.named(QStringLiteral("reconnectTimer")); }
        void start(int first, int last)
        {
            port.setDevice(u"/nonexistent/ttyUSB0"_s);
            ScanSession::Request request;
            request.startCh = first;
            request.endCh = last;
            request.portName = u"com1"_s;
            request.device = u"/nonexistent/ttyUSB0"_s;
            QVERIFY(session.start(request));
        }
        void tick()
        {
            scanTimer()->fire();
            QCoreApplication::processEvents();
            QCoreApplication::processEvents();
        }
    };
};

void tst_Reconnect::lostLineKeepsTheScanAndGivesUpOnlyTheMissedCells()
{
    Rig rig;
    QSignalSpy status(&rig.session, &ScanSession::reconnecting);
    QSignalSpy back(&rig.session, &ScanSession::lineBack);
    QSignalSpy stopped(&rig.session, &ScanSession::lineLost);
    rig.start(0, 4);
    for (int i = 0; i < 3; ++i) // a select, then two readings, each with the next select
        rig.tick();
    QCOMPARE(rig.readings.size(), 2);

    // Pulled while the third reading waits for its reply.
    rig.scanTimer()->fire();
    rig.port.failLine(u"device gone"_s);
    rig.port.openFails = true;
    QCOMPARE(rig.session.state(), ScanSession::State::Reconnecting);
    QVERIFY(rig.session.isReconnecting());
    QCOMPARE(rig.keeperTimer()->interval(), LineKeeper::kRetryInterval);
    const int downTicks = 8;
    for (int i = 0; i < downTicks; ++i) {
        rig.tick();
        rig.keeperTimer()->fire();
    }
    QVERIFY2(status.last().at(0).toString().startsWith(
                 u"Scanner on com1 (/nonexistent/ttyUSB0) lost at "_s),
             qPrintable(status.last().at(0).toString()));
    QVERIFY(status.last().at(0).toString().endsWith(u"; reconnecting (attempt 9)"_s));
    QCOMPARE(rig.port.openCount, 1 + downTicks);

    rig.port.openFails = false;
    rig.keeperTimer()->fire();
    QCOMPARE(back.size(), 1);
    QVERIFY(!rig.session.isReconnecting());
    const qsizetype before = rig.port.written.size();
    rig.tick();
    // The scanner's channel is unknown: the first tick after the line is back
    // only selects (the query before it is the one a fresh line expects).
    QCOMPARE(rig.port.written.mid(before), QByteArray("V00\r\n"));
    for (int i = 0; i < 2 * 5 * 2; ++i)
        rig.tick();
    QVERIFY(stopped.isEmpty());
    QCOMPARE(rig.readings.size(), 2 + downTicks + 20);

    // Every tick without a line gave one cell up, in channel order; nothing
    // else failed.
    QList<int> lost;
    for (const Reading &reading : std::as_const(rig.readings)) {
        if (reading.taken())
            continue;
        QCOMPARE(reading.status, Reading::Status::LineLost);
        QVERIFY(reading.givenUp);
        QCOMPARE(reading.failureText(), u"line lost"_s);
        lost << reading.pass * 100 + reading.channel;
        QVERIFY(rig.session.table().isMarked(reading.pass, reading.channel + 1));
    }
    QCOMPARE(lost, QList<int>({ 102, 103, 104, 200, 201, 202, 203, 204 }));
    // One row per pass, each cell read or marked.
    const ResultTable &table = rig.session.table();
    for (int row = 1; row < table.rows() - 1; ++row)
        for (int column = 1; column <= 5; ++column)
            QVERIFY2(!table.text(row, column).isEmpty() || table.isMarked(row, column),
                     qPrintable(u"row %1 column %2"_s.arg(row).arg(column)));
    for (const Reading &reading : std::as_const(rig.readings))
        QCOMPARE(table.text(reading.pass, reading.channel + 1), reading.value);
}

void tst_Reconnect::stopEndsReconnecting()
{
    Rig rig;
    rig.start(0, 1);
    rig.tick();
    rig.port.failLine();
    rig.port.openFails = true;
    rig.keeperTimer()->fire();
    rig.session.stop();
    QCOMPARE(rig.session.state(), ScanSession::State::Idle);
    QVERIFY(!rig.keeperTimer()->isActive());
    QVERIFY(!rig.scanTimer()->isActive());
    QVERIFY(!rig.port.isOpen());
}

void tst_Reconnect::manualLineFailsOnceAndReopensAtTheNextReading()
{
    Rig rig;
    QSignalSpy lost(&rig.session, &ScanSession::lineLost);
    QSignalSpy back(&rig.session, &ScanSession::lineBack);
    QVERIFY(rig.session.openLine(u"com1"_s, u"/nonexistent/ttyUSB0"_s));
    QVERIFY(rig.session.manual().select(3));
    QVERIFY(rig.session.manual().query(std::chrono::milliseconds(1000), [](const Reading &) {}));
    rig.port.failLine();
    QCOMPARE(lost.size(), 1);
    QCOMPARE(lost.first().at(1).toBool(), false);
    QVERIFY(!rig.keeperTimer()->isActive());

    rig.port.openFails = true;
    QVERIFY(!rig.session.reopenLostLine());
    rig.port.openFails = false;
    QVERIFY(rig.session.reopenLostLine());
    QCOMPARE(back.size(), 1);
    QVERIFY(rig.session.manual().select(4));
    QCOMPARE(lost.size(), 1);
}

void tst_Reconnect::renamedAdapterIsFoundAgain_data()
{
    QTest::addColumn<QString>("comesBackAs");
    QTest::addColumn<quint16>("productId");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QString>("opened");

    QTest::newRow("same adapter, new name")
        << u"/nonexistent/ttyUSB1"_s << quint16(0x6001) << u"A1"_s << u"/nonexistent/ttyUSB1"_s;
    QTest::newRow("another adapter of the same kind")
        << u"/nonexistent/ttyUSB1"_s << quint16(0x6001) << u"B2"_s << u"/nonexistent/ttyUSB0"_s;
    QTest::newRow("another product")
        << u"/nonexistent/ttyUSB1"_s << quint16(0x6015) << u"A1"_s << u"/nonexistent/ttyUSB0"_s;
}

void tst_Reconnect::renamedAdapterIsFoundAgain()
{
    QFETCH(QString, comesBackAs);
    QFETCH(quint16, productId);
    QFETCH(QString, serial);
    QFETCH(QString, opened);

    Rig rig;
    FakeSerialPortLister lister;
    lister.present = { { u"/nonexistent/ttyUSB0"_s, 0x0403, 0x6001, u"A1"_s, u"USB serial"_s } };
    rig.session.setPortLister(&lister);
    rig.start(0, 1);
    rig.tick();
    rig.port.failLine();
    lister.present = { { comesBackAs, 0x0403, productId, serial, u"USB serial"_s } };
    rig.keeperTimer()->fire();
    QCOMPARE(rig.port.device(), opened);
    QVERIFY(rig.port.isOpen());
}

void tst_Reconnect::stablePathLeadsToTheDevice()
{
    QTemporaryDir dir;
    QFile device(dir.filePath(u"ttyUSB3"_s));
    QVERIFY(device.open(QIODevice::WriteOnly));
    device.close();
    QDir(dir.path()).mkdir(u"by-id"_s);
    const QString byId = dir.filePath(u"by-id"_s);
    QVERIFY(QFile::link(dir.filePath(u"ttyUSB1"_s), byId + u"/usb-other-if00"_s));
    QVERIFY(QFile::link(device.fileName(), byId + u"/usb-ours-if00"_s));
    QCOMPARE(SerialDevices::stablePathFor(device.fileName(), byId), byId + u"/usb-ours-if00"_s);
    QCOMPARE(SerialDevices::stablePathFor(dir.filePath(u"ttyUSB9"_s), byId), QString());
}

QTEST_GUILESS_MAIN(tst_Reconnect)
#include "tst_reconnect.moc"
