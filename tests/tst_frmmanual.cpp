#include "FakeTimer.h"
#include "ManualScanHost.h"
#include "QtSettingsStore.h"
#include "frmManual.h"

#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <climits>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Stands in for the main window: records what the manual window asks of it and
// holds the end of a reading until the test lets it finish.
class FakeHost : public ManualScanHost
{
public:
    bool openScannerPort(QString *error) override
    {
        ++opens;
        if (!openSucceeds && error)
            *error = u"Cannot open the scanner's port COM1: device not found"_s;
        return openSucceeds;
    }
    void closeScannerPort() override
    {
        ++closes;
        readingDone = {};
    }
    bool PortOpen(int channel) override
    {
        selected << channel;
        return true;
    }
    bool ReadPres(std::function<void()> done) override
    {
        ++queries;
        readingDone = std::move(done);
        return true;
    }
    QString scanTermText() const override { return term; }
    QRect hostFrameGeometry() const override { return frame; }

    void finishReading()
    {
        auto done = std::exchange(readingDone, {});
        if (done)
            done();
    }

    bool openSucceeds = true;
    QString term = u"1"_s;
    QRect frame { 100, 80, 900, 600 };
    int opens = 0;
    int closes = 0;
    int queries = 0;
    QList<int> selected;
    std::function<void()> readingDone;
};

// A manual window on a temporary settings file, built and loaded as the main
// window opens it.
struct ManualFixture
{
    QTemporaryDir dir;
    QtSettingsStore settings { dir.filePath(u"ROZIVODA.conf"_s) };
    FakeHost host;
    FakeTimerFactory timers;
    std::unique_ptr<frmManual> window;

    frmManual &create()
    {
        window = std::make_unique<frmManual>(host, settings, timers);
        return *window;
    }
    frmManual &load()
    {
        create();
        QString error;
        if (!window->Form_Load(&error))
            qWarning("Form_Load failed: %s", qPrintable(error));
        return *window;
    }
    QList<QPushButton *> buttons() const
    {
        QList<QPushButton *> byIndex(100, nullptr);
        const auto found = window->findChildren<QPushButton *>(u"cmdCH"_s);
        for (QPushButton *button : found)
            byIndex[button->property("index").toInt()] = button;
        return byIndex;
    }
    FakeTimer *pause() const { return timers.last(); }
};

} // namespace

// The manual scan window through its real buttons: the layout for the stored
// channel count, the port it holds open, and the select, pause and read of a click.
class tst_frmManual : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void hundredButtonsInChannelOrder();
    void layoutForStoredChannelCount_data();
    void layoutForStoredChannelCount();
    void captions_data();
    void captions();
    void placedBelowTheMainWindow();
    void closingClosesThePortOnce_data();
    void closingClosesThePortOnce();
    void portThatCannotOpen();
    void clickSelectsPausesAndReads();
    void clickDuringReadingIsRefused();
    void pauseFor_data();
    void pauseFor();
    void hugeTermGivesBoundedPause_data();
    void hugeTermGivesBoundedPause();
};

void tst_frmManual::hundredButtonsInChannelOrder()
{
    ManualFixture f;
    f.load();
    const QList<QPushButton *> buttons = f.buttons();
    QCOMPARE(f.window->findChildren<QPushButton *>(u"cmdCH"_s).size(), 100);
    QVERIFY(!buttons.contains(nullptr));
    // Focus moves through the channels in order.
    for (int i = 0; i < 99; ++i)
        QCOMPARE(buttons.at(i)->nextInFocusChain(), buttons.at(i + 1));
}

void tst_frmManual::layoutForStoredChannelCount_data()
{
    QTest::addColumn<QString>("stored"); // a null text: nothing stored
    QTest::addColumn<int>("count");
    QTest::addColumn<double>("outerHeight");

    QTest::newRow("nothing stored") << QString() << 20 << 1210.0;
    QTest::newRow("0: 10 channels") << u"0"_s << 10 << 880.0;
    QTest::newRow("3: 40 channels") << u"3"_s << 40 << 1870.0;
    QTest::newRow("9: 100 channels") << u"9"_s << 100 << 3850.0;
    // Values that the channel-count menu cannot have written.
    QTest::newRow("not a number") << u"abc"_s << 20 << 1210.0;
    QTest::newRow("empty") << u""_s << 20 << 1210.0;
    QTest::newRow("trailing text") << u"2x"_s << 20 << 1210.0;
    QTest::newRow("10: beyond 100") << u"10"_s << 20 << 1210.0;
    QTest::newRow("-1: no channels") << u"-1"_s << 20 << 1210.0;
    QTest::newRow("-5: negative count") << u"-5"_s << 20 << 1210.0;
    QTest::newRow("beyond 16 bits") << u"1e9"_s << 20 << 1210.0;
}

void tst_frmManual::layoutForStoredChannelCount()
{
    QFETCH(QString, stored);
    QFETCH(int, count);
    QFETCH(double, outerHeight);

    ManualFixture f;
    if (!stored.isNull())
        f.settings.setValue(u"Settings"_s, u"ChNum"_s, stored);
    frmManual &w = f.load();
    QCOMPARE(w.channelCount(), count);
    QCOMPARE(frmManual::outerHeightFor(count), outerHeight);

    const QList<QPushButton *> buttons = f.buttons();
    QSet<int> rows;
    for (int i = 0; i < 100; ++i) {
        QCOMPARE(buttons.at(i)->isHidden(), i >= count);
        if (i < count)
            rows << buttons.at(i)->y();
    }
    QCOMPARE(rows.size(), count / 10);
    // The last row shows whole, all ten columns fit, and nothing is left below.
    const QRect last = buttons.at(count - 1)->geometry();
    QVERIFY2(w.rect().contains(last), qPrintable(u"%1 px high"_s.arg(w.height())));
    QVERIFY(w.rect().contains(buttons.at(9)->geometry()));
    QVERIFY(w.height() - last.bottom() < last.height());
}

void tst_frmManual::captions_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("caption");

    QTest::newRow("0") << 0 << u"CH 00"_s;
    QTest::newRow("5") << 5 << u"CH 05"_s;
    QTest::newRow("9") << 9 << u"CH 09"_s;
    QTest::newRow("10") << 10 << u"CH 10"_s;
    QTest::newRow("99, hidden at 20 channels") << 99 << u"CH 99"_s;
}

void tst_frmManual::captions()
{
    QFETCH(int, index);
    QFETCH(QString, caption);

    ManualFixture f;
    f.load();
    QCOMPARE(f.buttons().at(index)->text(), caption);
}

void tst_frmManual::placedBelowTheMainWindow()
{
    ManualFixture f;
    frmManual &w = f.load();
    // 2250 twips below the main window's top, sharing its vertical centre line
    // (the frame the platform adds is allowed a few pixels).
    QCOMPARE(w.y(), f.host.frame.top() + 150);
    QVERIFY(qAbs(w.geometry().center().x() - f.host.frame.center().x()) <= 4);
}

void tst_frmManual::closingClosesThePortOnce_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("close box") << u"close"_s;
    QTest::newRow("Esc") << u"escape"_s;
    QTest::newRow("reject") << u"reject"_s;
    QTest::newRow("destroyed while open") << u"destroy"_s;
}

void tst_frmManual::closingClosesThePortOnce()
{
    QFETCH(QString, how);

    ManualFixture f;
    frmManual &w = f.load();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(f.host.opens, 1);
    QCOMPARE(f.host.closes, 0);

    if (how == u"close")
        w.close();
    else if (how == u"escape")
        QTest::keyClick(&w, Qt::Key_Escape);
    else if (how == u"reject")
        w.reject();
    if (how != u"destroy")
        QVERIFY(!w.isVisible());
    f.window.reset();

    QCOMPARE(f.host.opens, 1);
    QCOMPARE(f.host.closes, 1);
    QVERIFY(f.host.selected.isEmpty());
    QCOMPARE(f.host.queries, 0);
}

void tst_frmManual::portThatCannotOpen()
{
    ManualFixture f;
    f.host.openSucceeds = false;
    frmManual &w = f.create();
    QString error;
    QVERIFY(!w.Form_Load(&error));
    QVERIFY(error.contains(u"COM1"_s));

    // Without a port a click sends nothing, and there is nothing to close.
    w.show();
    QTest::mouseClick(f.buttons().at(3), Qt::LeftButton);
    QVERIFY(f.host.selected.isEmpty());
    w.reject();
    f.window.reset();
    QCOMPARE(f.host.closes, 0);
}

void tst_frmManual::clickSelectsPausesAndReads()
{
    ManualFixture f;
    frmManual &w = f.load();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QList<QPushButton *> buttons = f.buttons();

    // An earlier selection is no longer bold once another channel is read.
    QTest::mouseClick(buttons.at(12), Qt::LeftButton);
    f.pause()->fire();
    f.host.finishReading();

    QTest::mouseClick(buttons.at(5), Qt::LeftButton);
    QCOMPARE(f.host.selected, (QList<int> { 12, 5 }));
    for (int i = 0; i < 100; ++i)
        QCOMPARE(buttons.at(i)->font().bold(), i == 5);
    // The query waits for half the term of "1" second.
    QCOMPARE(f.host.queries, 1);
    QVERIFY(f.pause()->isActive());
    QCOMPARE(f.pause()->interval(), std::chrono::milliseconds(500));

    f.pause()->fire();
    QCOMPARE(f.host.queries, 2);
    QVERIFY(w.isReading());
    f.host.finishReading();
    QVERIFY(!w.isReading());
    // A manual reading holds the port only as long as the window is open.
    QCOMPARE(f.host.closes, 0);
}

void tst_frmManual::clickDuringReadingIsRefused()
{
    ManualFixture f;
    frmManual &w = f.load();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QList<QPushButton *> buttons = f.buttons();

    QTest::mouseClick(buttons.at(1), Qt::LeftButton);
    // During the pause ...
    QTest::mouseClick(buttons.at(2), Qt::LeftButton);
    QCOMPARE(f.host.selected, QList<int> { 1 });
    QCOMPARE(f.pause()->startCount, 1);
    // ... and while the reply is awaited.
    f.pause()->fire();
    QTest::mouseClick(buttons.at(3), Qt::LeftButton);
    QCOMPARE(f.host.selected, QList<int> { 1 });
    QCOMPARE(f.host.queries, 1);
    QVERIFY(buttons.at(1)->font().bold());
    QVERIFY(!buttons.at(3)->font().bold());

    // Once the reading has ended the next click goes through.
    f.host.finishReading();
    QTest::mouseClick(buttons.at(3), Qt::LeftButton);
    QCOMPARE(f.host.selected, (QList<int> { 1, 3 }));
}

void tst_frmManual::pauseFor_data()
{
    QTest::addColumn<QString>("term");
    QTest::addColumn<qint64>("ms");

    QTest::newRow("1") << u"1"_s << qint64(500);
    QTest::newRow("0.5") << u"0.5"_s << qint64(250);
    QTest::newRow("2.5") << u"2.5"_s << qint64(1250);
    QTest::newRow("3") << u"3"_s << qint64(1500);
    QTest::newRow("blanks and a tail") << u" 2 s"_s << qint64(1000);
    QTest::newRow("comma is no decimal mark") << u"2,5"_s << qint64(1000);
    QTest::newRow("abc") << u"abc"_s << qint64(0);
    QTest::newRow("empty") << u""_s << qint64(0);
    QTest::newRow("negative") << u"-1"_s << qint64(0);
    QTest::newRow("huge negative") << u"-1e300"_s << qint64(0);
}

void tst_frmManual::pauseFor()
{
    QFETCH(QString, term);
    QFETCH(qint64, ms);
    QCOMPARE(frmManual::pauseFor(term), ms);
}

void tst_frmManual::hugeTermGivesBoundedPause_data()
{
    QTest::addColumn<QString>("term");
    QTest::newRow("beyond 32 bits of ms") << u"5000000"_s;
    QTest::newRow("1e300") << u"1e300"_s;
    QTest::newRow("beyond a double") << u"1e999"_s;
}

void tst_frmManual::hugeTermGivesBoundedPause()
{
    QFETCH(QString, term);
    const qint64 ms = frmManual::pauseFor(term);
    QVERIFY2(ms >= 0 && ms <= INT_MAX, qPrintable(QString::number(ms)));

    // The window still starts a pause the timer can hold.
    ManualFixture f;
    f.host.term = term;
    f.load();
    f.window->cmdCH_Click(0);
    QVERIFY(f.pause()->interval().count() >= 0 && f.pause()->interval().count() <= INT_MAX);
}

QTEST_MAIN(tst_frmManual)
#include "tst_frmmanual.moc"
