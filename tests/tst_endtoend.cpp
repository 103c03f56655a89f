#include "FakeDialogs.h"
#include "ManualScanBridge.h"
#include "PortMap.h"
#include "PtyScanner.h"
#include "QtEventPump.h"
#include "QtSerialPort.h"
#include "QtSettingsStore.h"
#include "QtTimer.h"
#include "ResultTable.h"
#include "ScanSession.h"
#include "SignalSessionEndWatcher.h"
#include "frmManual.h"
#include "mdlMain.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include <csignal>
#include <ctime>
#include <memory>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// Waits that bound a whole scan: generous, as the machine may be busy.
constexpr int kPassWaitMs = 30000;
constexpr int kReadingWaitMs = 5000;

QByteArray twoDigits(int channel)
{
    return QByteArray::number(channel).rightJustified(2, '0');
}

QByteArray selectBytes(int channel)
{
    return "V" + twoDigits(channel) + "\r\n";
}

// A scan from start over n channels in which each failing channel is asked
// kMaxAttempts (3) times before it is given up; a silent one only once per pass
// after its first pass.
struct ScanPlan
{
    int start = 0;
    int count = 0;
    QList<int> failing;
    QList<int> silent;

    int end() const { return start + count - 1; }
    int attempts(int pass, int channel) const
    {
        if (silent.contains(channel))
            return pass == 0 ? 3 : 1;
        return failing.contains(channel) ? 3 : 1;
    }
    // The number of the query whose reply holds the reading of channel in pass
    // (0-based). Query 0, written at start, is answered but not read.
    quint64 queryFor(int pass, int channel) const
    {
        quint64 query = 1;
        for (int p = 0; p <= pass; ++p) {
            for (int c = start; c <= end() && (p < pass || c < channel); ++c)
                query += quint64(attempts(p, c));
        }
        return query;
    }
    // Every byte the program should write over the given number of passes.
    QByteArray wire(int passes) const
    {
        QByteArray bytes = "?R\r\n" + selectBytes(start);
        for (int pass = 0; pass < passes; ++pass) {
            for (int channel = start; channel <= end(); ++channel) {
                bytes += QByteArray("?R\r\n").repeated(attempts(pass, channel));
                bytes += selectBytes(channel == end() ? start : channel + 1);
            }
        }
        return bytes;
    }
};

} // namespace

// The whole program as a user runs it: the main window built as at start-up,
// the Qt serial port, settings store and timers, and the simulated scanner on a
// real pseudo-terminal. Only the modal dialogs are scripted.
class tst_EndToEnd : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void workingSession();
    void manualWindowReadsThreeChannels();
    void failingChannels_data();
    void failingChannels();
    void lineClosingDuringAScan();
    void sessionEndSignals_data();
    void sessionEndSignals();

private:
    struct Program
    {
        QTemporaryDir dir;
        PtyScanner scanner;
        QtSettingsStore settings { dir.filePath(u"ROZIVODA.conf"_s) };
        PortMap ports { settings };
        QtSerialPort comScan;
        QtTimerFactory timers;
        FakeDialogs dialogs;
        QtEventPump events;
        std::unique_ptr<ScanSession> session;
        std::unique_ptr<frmMain> window;

        frmMain &w() { return *window; }
        ResultTable &table() { return window->resultTable(); }
        const QByteArray &wire() { return scanner.model().wireLog(); }
        QString text(const QString &label) { return window->findChild<QLabel *>(label)->text(); }
        QString status() { return text(u"sbStatusBarText"_s); }
        // The toolbar's buttons, by their names.
        QWidget *button(const QString &name) { return window->findChild<QWidget *>(name); }
        void click(const QString &name) { QTest::mouseClick(button(name), Qt::LeftButton); }
        QStringList enabledButtons()
        {
            QStringList enabled;
            for (const QString &name : { u"tbNewFile"_s, u"tbOpen"_s, u"tbSave"_s, u"tbPrint"_s,
                                         u"tbStart"_s, u"tbStop"_s, u"tbManual"_s })
                if (button(name)->isEnabled())
                    enabled << name;
            return enabled;
        }
        void setUpScan(int channelCountIndex, int start, int end, const QString &term)
        {
            window->findChildren<QAction *>(u"mnuChNum"_s).at(channelCountIndex)->trigger();
            window->findChild<QAction *>(u"mnuCom1"_s)->trigger();
            window->findChild<QComboBox *>(u"cboStart"_s)->setCurrentIndex(start);
            window->findChild<QComboBox *>(u"cboEnd"_s)->setCurrentIndex(end);
            window->findChild<QLineEdit *>(u"txtTerm"_s)->setText(term);
        }
    };

    std::unique_ptr<Program> m_program;
};

void tst_EndToEnd::init()
{
    m_program = std::make_unique<Program>();
    Program &p = *m_program;
    QVERIFY(p.dir.isValid());
    if (!p.scanner.start())
        QSKIP(qPrintable(u"no pseudo-terminal for the simulated scanner: "_s
                         + p.scanner.errorString()));
    // com1 leads to the simulator, as a user would set it in Serial Devices.
    p.ports.setDevice(1, p.scanner.devicePath());
    p.session = std::make_unique<ScanSession>(p.comScan, p.timers);
    p.window = Main({ p.settings, p.ports, *p.session, p.timers, p.dialogs, p.events });
    QVERIFY(QTest::qWaitForWindowExposed(p.window.get()));
}

void tst_EndToEnd::cleanup()
{
    m_program.reset();
}

void tst_EndToEnd::workingSession()
{
    Program &p = *m_program;
    QCOMPARE(p.w().windowTitle(), u"VESTRA-IP"_s);
    QCOMPARE(
        p.enabledButtons(),
        (QStringList { u"tbNewFile"_s, u"tbOpen"_s, u"tbSave"_s, u"tbStart"_s, u"tbManual"_s }));

    const ScanPlan plan { 0, 20, {}, {} };
    p.setUpScan(1, plan.start, plan.end(), u"0.1"_s);
    p.click(u"tbStart"_s);
    QCOMPARE(p.w().findChild<QLineEdit *>(u"txtTerm"_s)->text(), u"0.2"_s);
    QVERIFY(p.comScan.isOpen());
    QCOMPARE(p.enabledButtons(), (QStringList { u"tbStop"_s }));
    QCOMPARE(p.table().cols(), 22);
    QCOMPARE(p.table().text(0, 20), u"Ch 19"_s);

    // Three complete passes, and the fourth begun.
    QTRY_VERIFY_WITH_TIMEOUT(p.table().rows() >= 5, kPassWaitMs);
    p.click(u"tbStop"_s);
    QVERIFY(!p.comScan.isOpen());
    QCOMPARE(p.enabledButtons(),
             (QStringList { u"tbNewFile"_s, u"tbOpen"_s, u"tbSave"_s, u"tbManual"_s }));
    QVERIFY(p.w().Unsaved());

    // Nothing but query and select went out, in order, and nothing after Stop.
    // Bytes written just before Stop may still be on their way to the
    // simulator, which reads them in this process's event loop.
    QTest::qWait(200);
    const QByteArray wire = p.wire();
    QTest::qWait(500);
    QCOMPARE(p.wire(), wire);
    QCOMPARE(wire, plan.wire(p.table().rows()).left(wire.size()));
    QVERIFY(wire.endsWith("\r\n"));

    // Every reading the scanner gave is in its cell; a reply abandoned by Stop
    // is the only one missing.
    qsizetype stored = 0;
    QString lastValue;
    for (int row = 1; row < p.table().rows(); ++row) {
        QCOMPARE(p.table().text(row, 0), QString::number(row));
        QCOMPARE(p.table().text(row, 21), u"kgf/cm2"_s);
        for (int channel = 0; channel < 20; ++channel) {
            const QString cell = p.table().text(row, channel + 1);
            if (cell.isEmpty()) {
                QVERIFY2(row == p.table().rows() - 1, "a gap before the last row");
                continue;
            }
            QVERIFY2(stored == (row - 1) * 20 + channel, "a gap within the last row");
            QCOMPARE(cell, ScannerModel::valueText(channel, plan.queryFor(row - 1, channel)));
            lastValue = cell;
            ++stored;
        }
    }
    QVERIFY(stored >= 60);
    const qsizetype queries = wire.count("?R\r\n");
    QCOMPARE(stored, queries - 1 - (wire.endsWith("?R\r\n") ? 1 : 0));
    const qsizetype lastSelect = wire.lastIndexOf('V');
    QCOMPARE(p.text(u"lblCH"_s), QString::fromLatin1(wire.mid(lastSelect + 1, 2)));
    QCOMPARE(p.text(u"lblPres"_s), lastValue);
    QCOMPARE(p.text(u"lblUnit"_s), u"kgf/cm2"_s);

    // Exit, then think better of it: everything stays.
    const int rows = p.table().rows();
    p.dialogs.answers << QMessageBox::Cancel;
    p.w().findChild<QAction *>(u"mnuFileExit"_s)->trigger();
    QCOMPARE(p.dialogs.messages.size(), 1);
    QCOMPARE(p.dialogs.messages.last().text, u"Will you save previous results?"_s);
    QVERIFY(p.w().isVisible());
    QCOMPARE(p.table().rows(), rows);
    QVERIFY(p.w().Unsaved());

    QStringList scanned;
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < 22; ++column)
            scanned << p.table().text(row, column);

    const QString path = p.dir.filePath(u"run1.txt"_s);
    p.dialogs.savePaths << path;
    p.click(u"tbSave"_s);
    QCOMPARE(p.w().windowTitle(), u"VESTRA-IP -[Data  run1]"_s);
    QVERIFY(!p.w().Unsaved());
    QCOMPARE(p.dialogs.messages.size(), 1);

    // The file as another program would read it; the cells of a pass cut short
    // by Stop are written as 0.
    QByteArray expected = "\"VESTRA-IP Scanning Pressure Data\"\r\n\"ID\"";
    for (int channel = 0; channel < 20; ++channel)
        expected += ",\"Ch " + twoDigits(channel) + '"';
    expected += ",\"Unit\"\r\n";
    for (int row = 1; row < rows; ++row) {
        expected += QByteArray::number(row);
        for (int channel = 0; channel < 20; ++channel) {
            QString &cell = scanned[row * 22 + channel + 1];
            if (cell.isEmpty())
                cell = u"0"_s;
            expected += ',' + cell.toLatin1();
        }
        expected += ",\"kgf/cm2\"\r\n";
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), expected);
    file.close();

    // New asks nothing after a save.
    p.click(u"tbNewFile"_s);
    QCOMPARE(p.dialogs.messages.size(), 1);
    QCOMPARE(p.w().windowTitle(), u"VESTRA-IP"_s);
    QCOMPARE(p.table().rows(), 1);
    QCOMPARE(p.text(u"lblPres"_s), QString());
    QCOMPARE(
        p.enabledButtons(),
        (QStringList { u"tbNewFile"_s, u"tbOpen"_s, u"tbSave"_s, u"tbStart"_s, u"tbManual"_s }));

    p.dialogs.openPaths << path;
    p.click(u"tbOpen"_s);
    QCOMPARE(p.dialogs.messages.size(), 1);
    QCOMPARE(p.w().windowTitle(), u"VESTRA-IP -[Data  run1]"_s);
    QCOMPARE(p.table().rows(), rows);
    QCOMPARE(p.table().cols(), 22);
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < 22; ++column)
            QCOMPARE(p.table().text(row, column), scanned.at(row * 22 + column));
    QCOMPARE(p.enabledButtons(),
             (QStringList { u"tbNewFile"_s, u"tbOpen"_s, u"tbSave"_s, u"tbManual"_s }));
    QVERIFY(!p.w().Unsaved());

    p.w().findChild<QAction *>(u"mnuFileExit"_s)->trigger();
    QCOMPARE(p.dialogs.messages.size(), 1);
    QVERIFY(!p.w().isVisible());
}

void tst_EndToEnd::manualWindowReadsThreeChannels()
{
    Program &p = *m_program;
    p.w().findChild<QLineEdit *>(u"txtTerm"_s)->setText(u"0.2"_s);
    // As the Manual button builds it, but shown without a modal loop.
    frmManual manual(p.w().manualHost(), p.settings, p.timers, &p.w());
    QString error;
    QVERIFY2(manual.Form_Load(&error), qPrintable(error));
    QVERIFY(p.comScan.isOpen());
    manual.show();
    const QList<QPushButton *> buttons = manual.findChildren<QPushButton *>(u"cmdCH"_s);
    QCOMPARE(buttons.size(), 100);

    QByteArray wire;
    quint64 query = 0;
    for (int channel : { 3, 12, 7 }) {
        QCOMPARE(buttons.at(channel)->text(), u"CH "_s + QString::fromLatin1(twoDigits(channel)));
        if (channel == 12)
            p.scanner.model().options().replyDelay = 400ms;
        buttons.at(channel)->click();
        QVERIFY(manual.isReading());
        QCOMPARE(p.text(u"lblCH"_s), QString::fromLatin1(twoDigits(channel)));
        wire += selectBytes(channel);
        if (channel == 12) {
            // A click while the reply is awaited starts no second exchange.
            QTRY_COMPARE_WITH_TIMEOUT(p.wire(), wire + "?R\r\n", kReadingWaitMs);
            QVERIFY(manual.isReading());
            buttons.at(5)->click();
        } else {
            // Nor does one during the pause before the query.
            buttons.at(5)->click();
        }
        QTRY_VERIFY_WITH_TIMEOUT(!manual.isReading(), kReadingWaitMs);
        p.scanner.model().options().replyDelay = 0ms;
        wire += "?R\r\n";
        QCOMPARE(p.wire(), wire);
        QCOMPARE(p.text(u"lblCH"_s), QString::fromLatin1(twoDigits(channel)));
        QCOMPARE(p.text(u"lblPres"_s), ScannerModel::valueText(channel, query++));
        QCOMPARE(p.text(u"lblUnit"_s), u"kgf/cm2"_s);
        for (int i = 0; i < 100; ++i)
            QCOMPARE(buttons.at(i)->font().bold(), i == channel);
    }

    manual.close();
    QVERIFY(!p.comScan.isOpen());
    QTest::qWait(100);
    QCOMPARE(p.wire(), wire);
    // A manual reading is no result.
    QVERIFY(!p.w().Unsaved());
    QCOMPARE(p.table().rows(), 1);
}

void tst_EndToEnd::failingChannels_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("passes");
    QTest::addColumn<int>("silent");
    QTest::addColumn<int>("unreadable");
    QTest::addColumn<QString>("status");
    QTest::newRow("silent and unreadable within the range")
        << 0 << 5 << 7 << 3 << u"2 channels failing; see Live View"_s;
    QTest::newRow("first channel silent")
        << 10 << 3 << 10 << -1 << u"1 channel failing; see Live View"_s;
}

void tst_EndToEnd::failingChannels()
{
    QFETCH(int, start);
    QFETCH(int, passes);
    QFETCH(int, silent);
    QFETCH(int, unreadable);
    QFETCH(QString, status);

    Program &p = *m_program;
    ScanPlan plan { start, 10, {}, { silent } };
    p.scanner.model().options().channelFaults.insert(silent, ScannerModel::ReplyFault::Silent);
    if (unreadable >= 0) {
        plan.failing << unreadable;
        p.scanner.model().options().channelFaults.insert(unreadable,
                                                         ScannerModel::ReplyFault::Garbage);
    }

    QList<qint64> rowStarts;
    QElapsedTimer clock;
    clock.start();
    connect(&p.table(), &QAbstractItemModel::rowsInserted, this,
            [&] { rowStarts << clock.elapsed(); });

    p.setUpScan(1, plan.start, plan.end(), u"0.2"_s);
    p.click(u"tbStart"_s);
    QTRY_VERIFY_WITH_TIMEOUT(p.table().rows() == passes + 2, passes * kPassWaitMs);
    p.click(u"tbStop"_s);
    const QByteArray wire = p.wire();
    QCOMPARE(wire, plan.wire(passes + 1).left(wire.size()));

    // One row per pass; a first reading given up leaves no row of its own.
    QVERIFY(p.table().rows() == passes + 1 || p.table().rows() == passes + 2);
    for (int row = 1; row <= passes; ++row) {
        QCOMPARE(p.table().text(row, 0), QString::number(row));
        QCOMPARE(p.table().text(row, 11), u"kgf/cm2"_s);
        for (int channel = plan.start; channel <= plan.end(); ++channel) {
            const int column = channel - plan.start + 1;
            const bool failing = plan.failing.contains(channel) || plan.silent.contains(channel);
            QCOMPARE(p.table().isMarked(row, column), failing);
            QCOMPARE(p.table().text(row, column),
                     failing ? QString()
                             : ScannerModel::valueText(channel, plan.queryFor(row - 1, channel)));
        }
    }
    QCOMPARE(p.status(), status);

    // A failing channel costs at most two reply time-outs and the 4 s in which
    // a reply to its last query could still come, a pass.
    QCOMPARE(rowStarts.size(), passes + 1);
    const qint64 bound = 10 * 200 + (plan.failing.size() + plan.silent.size()) * 6000 + 1500;
    for (int pass = 0; pass < passes; ++pass) {
        const qint64 took = rowStarts.at(pass + 1) - rowStarts.at(pass);
        QVERIFY2(took <= bound, qPrintable(u"pass %1 took %2 ms"_s.arg(pass + 1).arg(took)));
    }
}

void tst_EndToEnd::lineClosingDuringAScan()
{
    Program &p = *m_program;
    const ScanPlan plan { 0, 5, {}, {} };
    // Queries 0 to 12 are answered; query 13, for channel 2 of the third pass,
    // finds the line closed.
    p.scanner.model().options().closeAfterQueries = 13;
    // The scan ends with its line, as it did before reconnecting was the default.
    p.w().findChild<QAction *>(u"mnuStopOnLineLoss"_s)->trigger();
    p.setUpScan(1, plan.start, plan.end(), u"0.2"_s);
    p.click(u"tbStart"_s);
    QTRY_VERIFY_WITH_TIMEOUT(!p.comScan.isOpen(), kPassWaitMs);

    QCOMPARE(p.enabledButtons(),
             (QStringList { u"tbNewFile"_s, u"tbOpen"_s, u"tbSave"_s, u"tbManual"_s }));
    QVERIFY(p.status().startsWith(u"Scan stopped: the line to the scanner on com1 ("_s
                                  + p.scanner.devicePath() + u") failed"_s));
    const QByteArray full = plan.wire(3);
    qsizetype end = 0;
    for (int query = 0; query <= 13; ++query)
        end = full.indexOf("?R\r\n", end) + 4;
    QCOMPARE(p.wire(), full.left(end));

    QCOMPARE(p.table().rows(), 4);
    for (int row = 1; row <= 3; ++row) {
        for (int channel = 0; channel < 5; ++channel) {
            const bool taken = row < 3 || channel < 2;
            QCOMPARE(p.table().text(row, channel + 1),
                     taken ? ScannerModel::valueText(channel, plan.queryFor(row - 1, channel))
                           : QString());
        }
    }

    // A dead line must not keep the program busy reporting it.
    const std::clock_t before = std::clock();
    QTest::qWait(500);
    const double cpuSeconds = double(std::clock() - before) / CLOCKS_PER_SEC;
    QVERIFY2(cpuSeconds < 0.25, qPrintable(u"%1 s of CPU while idle"_s.arg(cpuSeconds)));

    // The results are still unsaved; No ends the program without saving.
    QVERIFY(p.w().Unsaved());
    p.dialogs.answers << QMessageBox::No;
    p.w().findChild<QAction *>(u"mnuFileExit"_s)->trigger();
    QCOMPARE(p.dialogs.messages.size(), 1);
    QVERIFY(p.dialogs.fileDialogTitles.isEmpty());
    QVERIFY(!p.w().isVisible());
}

QTEST_MAIN(tst_EndToEnd)
#include "tst_endtoend.moc"

void tst_EndToEnd::sessionEndSignals_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGHUP") << SIGHUP;
    QTest::newRow("SIGINT") << SIGINT;
}

void tst_EndToEnd::sessionEndSignals()
{
    QFETCH(int, signalNumber);
    Program &p = *m_program;
    SignalSessionEndWatcher watcher;
    QVERIFY(watcher.isWatching());
    connect(&watcher, &SessionEndWatcher::endRequested, p.window.get(), &frmMain::endSession);
    p.setUpScan(1, 0, 4, u"0.2"_s);
    p.click(u"tbStart"_s);
    QTRY_VERIFY_WITH_TIMEOUT(p.table().rows() > 1, kPassWaitMs);
    // The port's lock file, as the serial port names it.
    QString lock = u"LCK.."_s + p.scanner.devicePath().mid(5).replace(u'/', u'_');
    for (const QString &folder : { u"/var/lock/"_s, u"/run/lock/"_s, u"/tmp/"_s })
        if (QFile::exists(folder + lock))
            lock.prepend(folder);
    QVERIFY2(lock.startsWith(u'/'), qPrintable(lock + u" not found"_s));

    ::raise(signalNumber);
    // Nobody is there to answer: the scan stops, the port closes, nothing is
    // asked although the results are unsaved.
    QTRY_VERIFY_WITH_TIMEOUT(!p.w().isVisible(), 2000);
    QVERIFY(p.dialogs.messages.isEmpty());
    QVERIFY(!p.comScan.isOpen());
    QCOMPARE(p.session->state(), ScanSession::State::Idle);
    QVERIFY2(!QFile::exists(lock), qPrintable(lock));
}
