#include "MainWindowFixture.h"
#include "ManualScanBridge.h"
#include "ResultDocument.h"
#include "ResultTable.h"
#include "ScanSettingsPanel.h"
#include "ScannerModel.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

// The main window as the program shows it: its definition, start-up from the
// stored settings, the settings commands, the channel lists' key filter and the
// resize rule applied to the real widgets.
class tst_frmMain : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void settleCheckIsKeptAndTakenByTheNextScan();
    void definitionBeforeLoad();
    void demoStaysNamed();
    void initialSizeIsTheDefinedClientArea();
    void menuTree();
    void toolbarButtons();
    void startUp_data();
    void startUp();
    void startUpWritesOnlyTheChannelCount();
    void settingsFileFollowsXdgConfigHome();
    void idleState();
    void channelCountCommand();
    void portCommands();
    void settingsThatCannotBeWrittenAreReported();
    void demoMappingIsNeverStored();
    void manualOutcomeOnTheReadouts_data();
    void manualOutcomeOnTheReadouts();
    void channelListsTakeNoTypedCharacters();
    void manualButtonOpensTheLoadedWindow();
    void manualWindowWithoutItsPortDoesNotOpen();
    void resizeRuleOnTheWidgets();
    void minimizingKeepsTheLayout();

private:
    static QStringList items(QComboBox *box)
    {
        QStringList texts;
        for (int i = 0; i < box->count(); ++i)
            texts << box->itemText(i);
        return texts;
    }
    static QStringList channelTexts(int count)
    {
        QStringList texts;
        for (int i = 0; i < count; ++i)
            texts << QString::number(i);
        return texts;
    }
};

void tst_frmMain::definitionBeforeLoad()
{
    MainWindowFixture f;
    frmMain &w = f.create();
    QCOMPARE(w.windowTitle(), u"VESTRA-IP"_s);
    QCOMPARE(f.find<QComboBox>(u"cboStart"_s)->currentText(), u"0"_s);
    QCOMPARE(f.find<QComboBox>(u"cboEnd"_s)->currentText(), u"19"_s);
    QCOMPARE(f.find<QComboBox>(u"cboStart"_s)->count(), 0);
    QCOMPARE(f.find<QLineEdit>(u"txtTerm"_s)->text(), u"1"_s);
    QCOMPARE(f.find<QLabel>(u"lblCH"_s)->text(), u"00"_s);
    QCOMPARE(f.find<QLabel>(u"lblPres"_s)->text(), QString());
    QCOMPARE(f.find<QLabel>(u"lblUnit"_s)->text(), u"kgf/cm2"_s);
    QCOMPARE(f.find<QGroupBox>(u"fraPres"_s)->title(), u"Pressure"_s);
    QCOMPARE(f.find<QGroupBox>(u"fraCh"_s)->title(), u"Channel"_s);
    for (const char *name : { "Label1", "Label2", "Label3", "Label4" })
        QVERIFY(f.find<QLabel>(QString::fromLatin1(name)));
    QCOMPARE(f.find<QLabel>(u"Label3"_s)->text(), u"Scan Term:"_s);
    // Geometry in twips at 15 twips a pixel: lblPres 2025 x 405, cboStart at 1020.
    QCOMPARE(f.find<QLabel>(u"lblPres"_s)->size(), QSize(135, 27));
    QCOMPARE(f.find<QComboBox>(u"cboStart"_s)->x(), 68);
    QCOMPARE(f.find<QLabel>(u"lblCH"_s)->font().pointSizeF(), 30.0);
    QCOMPARE(f.find<QLabel>(u"lblUnit"_s)->font().pointSizeF(), 11.25);
    QVERIFY(f.find<QLabel>(u"lblUnit"_s)->font().bold());
    for (QAction *item : w.findChildren<QAction *>())
        QVERIFY2(!item->isChecked(), qPrintable(item->objectName()));
}

void tst_frmMain::initialSizeIsTheDefinedClientArea()
{
    MainWindowFixture f;
    frmMain &w = f.start();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // 9300 twips wide; below the toolbar 4890 twips down to the status bar.
    QCOMPARE(w.width(), 620);
    QCOMPARE(w.centralWidget()->height(), 326);
}

void tst_frmMain::menuTree()
{
    MainWindowFixture f;
    frmMain &w = f.create();
    QStringList bar;
    for (QAction *menu : w.menuBar()->actions())
        bar << menu->text();
    QCOMPARE(bar, (QStringList { u"&File"_s, u"&Set"_s, u"&View"_s, u"S&can"_s, u"&Help"_s }));

    QStringList file;
    for (QAction *item : f.find<QMenu>(u"mnuFile"_s)->actions())
        file << (item->isSeparator() ? u"-"_s : item->text());
    QCOMPARE(file,
             (QStringList { u"&New File"_s, u"&Open..."_s, u"Open &Recent"_s, u"&Save..."_s,
                            u"Scan &History..."_s, u"Export &CSV..."_s, u"-"_s, u"&Print..."_s,
                            u"-"_s, u"E&xit"_s }));
    // Standard keys, and a scan run without the mouse.
    for (const auto &[name, key] : { std::pair { "mnuFileNew", "Ctrl+N" },
                                     { "mnuFileOpen", "Ctrl+O" },
                                     { "mnuFileSave", "Ctrl+S" },
                                     { "mnuFileExit", "Ctrl+Q" },
                                     { "mnuHelpAbout", "F1" },
                                     { "mnuScanStart", "F5" },
                                     { "mnuScanStop", "Shift+F5" } })
        QCOMPARE(f.find<QAction>(QString::fromLatin1(name))->shortcut(),
                 QKeySequence(QString::fromLatin1(key)));
    QVERIFY(!f.find<QAction>(u"mnuFilePrint"_s)->isEnabled());

    const QList<QAction *> counts = w.findChildren<QAction *>(u"mnuChNum"_s);
    QCOMPARE(counts.size(), 10);
    QCOMPARE(counts.at(0)->text(), u"10"_s);
    QCOMPARE(counts.at(9)->text(), u"100"_s);
    QCOMPARE(counts.at(9)->property("index").toInt(), 9);

    const QList<QAction *> ports = f.find<QMenu>(u"mnuComm"_s)->actions();
    QCOMPARE(ports.at(0)->text(), u"com1"_s);
    QCOMPARE(ports.at(1)->text(), u"com2"_s);
    QVERIFY(ports.at(2)->isSeparator());
    QCOMPARE(f.find<QAction>(u"mnuHelpAbout"_s)->text(), u"&About"_s);
}

void tst_frmMain::toolbarButtons()
{
    MainWindowFixture f;
    f.create();
    // The buttons in their order, each the menu's own command, its tool tip
    // naming its key.
    const QList<std::pair<QString, QString>> expected {
        { u"mnuFileNew"_s, u"New File (Ctrl+N)"_s },
        { u"mnuFileOpen"_s, u"Open (Ctrl+O)"_s },
        { u"mnuFileSave"_s, u"Save (Ctrl+S)"_s },
        {},
        { u"mnuFilePrint"_s, u"Print"_s },
        {},
        { u"mnuScanStart"_s, u"Start (F5)"_s },
        { u"mnuScanStop"_s, u"Stop (Shift+F5)"_s },
        {},
        { u"mnuScanManual"_s, u"Manual"_s },
    };
    const QList<QAction *> buttons = f.find<QToolBar>(u"tbToolBar"_s)->actions();
    QCOMPARE(buttons.size(), expected.size());
    for (int i = 0; i < buttons.size(); ++i) {
        const auto &[name, toolTip] = expected.at(i);
        QCOMPARE(buttons.at(i)->isSeparator(), name.isEmpty());
        if (name.isEmpty())
            continue;
        QCOMPARE(buttons.at(i), f.command(name));
        QCOMPARE(buttons.at(i)->toolTip(), toolTip);
        QVERIFY2(!buttons.at(i)->icon().isNull(), qPrintable(name));
    }
    QVERIFY(!f.find<QWidget>(u"tbPrint"_s)->isEnabled());
}

void tst_frmMain::startUp_data()
{
    QTest::addColumn<QString>("chNum"); // empty: nothing stored
    QTest::addColumn<QString>("comPort");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("storedChNum");

    QTest::newRow("first run") << QString() << QString() << 20 << 1 << u"1"_s;
    QTest::newRow("hundred") << u"9"_s << QString() << 100 << 1 << u"9"_s;
    QTest::newRow("ten") << u"0"_s << u"1"_s << 10 << 1 << u"0"_s;
    QTest::newRow("half index rounds to even") << u"2.5"_s << QString() << 30 << 1 << u"2"_s;
    QTest::newRow("com2") << u"1"_s << u"2"_s << 20 << 2 << u"1"_s;
    // Values that would end the program fall back to the defaults.
    QTest::newRow("not a number") << u"abc"_s << u"x"_s << 20 << 1 << u"1"_s;
    QTest::newRow("beyond 16 bits") << u"99999"_s << u"70000"_s << 20 << 1 << u"1"_s;
    QTest::newRow("index above the menu") << u"12"_s << QString() << 20 << 1 << u"1"_s;
    QTest::newRow("negative index") << u"-3"_s << u"-1"_s << 20 << 1 << u"1"_s;
    // Port 3 is used, and neither port item is checked.
    QTest::newRow("port three") << u"1"_s << u"3"_s << 20 << 3 << u"1"_s;
    QTest::newRow("spaces around") << u" 2 "_s << u" 2"_s << 30 << 2 << u"2"_s;
    QTest::newRow("huge exponent") << u"1E400"_s << u"1E400"_s << 20 << 1 << u"1"_s;
}

void tst_frmMain::startUp()
{
    QFETCH(QString, chNum);
    QFETCH(QString, comPort);
    QFETCH(int, channels);
    QFETCH(int, port);
    QFETCH(QString, storedChNum);

    MainWindowFixture f;
    if (!chNum.isEmpty())
        f.settings->setValue(u"Settings"_s, u"ChNum"_s, chNum);
    if (!comPort.isEmpty())
        f.settings->setValue(u"Settings"_s, u"ComPort"_s, comPort);
    frmMain &w = f.start();

    QCOMPARE(f.find<ScanSettingsPanel>(u"fraSet"_s)->channelCount(), channels);
    QCOMPARE(f.find<ScanSettingsPanel>(u"fraSet"_s)->port(), port);
    QCOMPARE(items(f.find<QComboBox>(u"cboStart"_s)), channelTexts(channels));
    QCOMPARE(items(f.find<QComboBox>(u"cboEnd"_s)), channelTexts(channels));
    QCOMPARE(f.find<QComboBox>(u"cboStart"_s)->currentText(), u"0"_s);
    QCOMPARE(f.find<QComboBox>(u"cboEnd"_s)->currentText(), QString::number(channels - 1));
    const QList<QAction *> counts = w.findChildren<QAction *>(u"mnuChNum"_s);
    for (int i = 0; i < counts.size(); ++i)
        QCOMPARE(counts.at(i)->isChecked(), (i + 1) * 10 == channels);
    QCOMPARE(f.find<QAction>(u"mnuCom1"_s)->isChecked(), port == 1);
    QCOMPARE(f.find<QAction>(u"mnuCom2"_s)->isChecked(), port == 2);
    QCOMPARE(f.ports->device(f.find<ScanSettingsPanel>(u"fraSet"_s)->port()),
             PortMap::defaultDevice(port));
    QCOMPARE(f.settings->value(u"Settings"_s, u"ChNum"_s, {}), storedChNum);
    QCOMPARE(f.port.openCount, 0);
}

void tst_frmMain::startUpWritesOnlyTheChannelCount()
{
    MainWindowFixture f;
    f.start();
    QSettings stored(f.settingsPath(), QSettings::IniFormat);
    QCOMPARE(stored.value(u"Settings/ChNum"_s).toString(), u"1"_s);
    QVERIFY(!stored.contains(u"Settings/ComPort"_s));
}

void tst_frmMain::settingsFileFollowsXdgConfigHome()
{
    QTemporaryDir home;
    const bool wasSet = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    {
        QtSettingsStore store;
        store.setValue(u"Settings"_s, u"ComPort"_s, u"2"_s);
    }
    if (wasSet)
        qputenv("XDG_CONFIG_HOME", saved);
    else
        qunsetenv("XDG_CONFIG_HOME");
    QFile file(home.filePath(u"ROZIVODA/ROZIVODA.conf"_s));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().simplified(), QByteArray("[Settings] ComPort=2"));
}

void tst_frmMain::idleState()
{
    MainWindowFixture f;
    frmMain &w = f.start();
    QCOMPARE(w.windowTitle(), u"VESTRA-IP"_s);
    QVERIFY(f.command(u"mnuScanStart"_s)->isEnabled());
    QVERIFY(!f.command(u"mnuScanStop"_s)->isEnabled());
    QVERIFY(!w.Unsaved());
    QCOMPARE(f.find<QLabel>(u"lblPres"_s)->text(), QString());
    const ResultTable &table = w.resultTable();
    QCOMPARE(table.rows(), 1);
    QCOMPARE(table.cols(), 22);
    QCOMPARE(table.text(0, 1), u"Ch 00"_s);
    QCOMPARE(table.text(0, 20), u"Ch 19"_s);
    QCOMPARE(table.text(0, 21), u"Unit"_s);
    // The view shows the label row as its fixed header and the ID column as its
    // fixed vertical header; a column is as wide as its label and blanks.
    auto *view = f.find<QTableView>(u"fgdData"_s);
    QVERIFY(view->isColumnHidden(0));
    QCOMPARE(view->model()->headerData(1, Qt::Horizontal).toString(), u"Ch 00"_s);
    const QFontMetrics metrics(view->font());
    QVERIFY(view->columnWidth(1) >= metrics.horizontalAdvance(u"Ch 00    "_s));
    QVERIFY(view->columnWidth(21) > view->columnWidth(1));
}

void tst_frmMain::channelCountCommand()
{
    MainWindowFixture f;
    frmMain &w = f.start();
    w.resultTable().setRows(3);
    auto *start = f.find<QComboBox>(u"cboStart"_s);
    auto *end = f.find<QComboBox>(u"cboEnd"_s);
    start->setCurrentIndex(5);

    w.findChildren<QAction *>(u"mnuChNum"_s).at(9)->trigger();
    QCOMPARE(items(start), channelTexts(100));
    QCOMPARE(start->currentText(), u"0"_s);
    QCOMPARE(end->currentText(), u"99"_s);
    QCOMPARE(f.settings->value(u"Settings"_s, u"ChNum"_s, {}), u"9"_s);
    const QList<QAction *> counts = w.findChildren<QAction *>(u"mnuChNum"_s);
    for (int i = 0; i < 10; ++i)
        QCOMPARE(counts.at(i)->isChecked(), i == 9);
    // The table keeps its rows and layout until the next New, Open or Start.
    QCOMPARE(w.resultTable().rows(), 3);
    QCOMPARE(w.resultTable().cols(), 22);

    // Choosing the checked count again rebuilds the lists to the full range.
    end->setCurrentIndex(3);
    counts.at(9)->trigger();
    QCOMPARE(end->currentText(), u"99"_s);
    QVERIFY(counts.at(9)->isChecked());
}

void tst_frmMain::portCommands()
{
    MainWindowFixture f;
    f.settings->setValue(u"Ports"_s, u"COM2"_s, u"/dev/ttyUSB7"_s);
    f.start();
    f.find<QAction>(u"mnuCom2"_s)->trigger();
    QCOMPARE(f.settings->value(u"Settings"_s, u"ComPort"_s, {}), u"2"_s);
    QCOMPARE(f.find<ScanSettingsPanel>(u"fraSet"_s)->port(), 2);
    // Start opens the device behind the chosen port.
    trigger(*f.window, u"mnuScanStart"_s);
    QCOMPARE(f.port.device(), u"/dev/ttyUSB7"_s);
    trigger(*f.window, u"mnuScanStop"_s);
    QVERIFY(f.find<QAction>(u"mnuCom2"_s)->isChecked());
    QVERIFY(!f.find<QAction>(u"mnuCom1"_s)->isChecked());
    f.find<QAction>(u"mnuCom2"_s)->trigger();
    QVERIFY(f.find<QAction>(u"mnuCom2"_s)->isChecked());
    f.find<QAction>(u"mnuCom1"_s)->trigger();
    QCOMPARE(f.settings->value(u"Settings"_s, u"ComPort"_s, {}), u"1"_s);
    QVERIFY(!f.find<QAction>(u"mnuCom2"_s)->isChecked());
    // Choosing a port opens nothing; only Start did.
    QCOMPARE(f.port.openCount, 1);
}

void tst_frmMain::settingsThatCannotBeWrittenAreReported()
{
    MainWindowFixture f;
    // A folder where the settings file should be: nothing can be written.
    QVERIFY(QDir().mkpath(f.settingsPath()));
    f.start();
    auto *status = f.find<QLabel>(u"sbStatusBarText"_s);
    QVERIFY2(status->text().startsWith(u"Settings cannot be saved: "_s),
             qPrintable(status->text()));
    QVERIFY(status->text().contains(f.settingsPath()));
}

void tst_frmMain::demoMappingIsNeverStored()
{
    MainWindowFixture f;
    f.start();
    f.ports->overrideAll(u"/dev/pts/99"_s);
    bool fixed = false;
    QTimer::singleShot(0, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        const auto *note = modal->findChild<QLabel *>(u"lblFixedNote"_s);
        fixed = note && note->isVisible()
            && !modal->findChild<QComboBox *>(u"cboCom1Device"_s)->isEnabled();
        static_cast<QDialog *>(modal)->accept();
    });
    f.find<QAction>(u"mnuPortDevices"_s)->trigger();
    QVERIFY(fixed);
    QCOMPARE(f.settings->value(u"Ports"_s, u"COM1"_s, u"none"_s), u"none"_s);
    QCOMPARE(f.settings->value(u"Ports"_s, u"COM2"_s, u"none"_s), u"none"_s);
}

void tst_frmMain::manualOutcomeOnTheReadouts_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("pressure");
    QTest::addColumn<QString>("status");
    QTest::newRow("reading") << "     2.5000,kgf/cm2\n\r"_ba << u"2.5"_s << QString();
    // The earlier reading must not pass for this channel's.
    QTest::newRow("unreadable") << "0000001.25,kgf/cm2\n\r"_ba << QString()
                                << u"Ch 03: unreadable reply"_s;
    QTest::newRow("time-out") << QByteArray() << QString() << u"No reply from scanner on com1"_s;
}

void tst_frmMain::manualOutcomeOnTheReadouts()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, pressure);
    QFETCH(QString, status);
    MainWindowFixture f;
    frmMain &w = f.start();
    auto *lblPres = f.find<QLabel>(u"lblPres"_s);
    lblPres->setText(u"9.75"_s);
    ManualScanHost &manual = w.manualHost();
    QVERIFY(manual.openScannerPort(nullptr));
    QVERIFY(manual.PortOpen(3));
    int done = 0;
    QVERIFY(manual.ReadPres([&] { ++done; }));
    if (reply.isEmpty())
        f.replyTimer()->fire();
    else
        f.port.receive(reply);
    QCOMPARE(done, 1);
    QCOMPARE(lblPres->text(), pressure);
    const QString shown = f.find<QLabel>(u"sbStatusBarText"_s)->text();
    QVERIFY2(status.isEmpty() ? shown.isEmpty() : shown.startsWith(status), qPrintable(shown));
    manual.closeScannerPort();
}

void tst_frmMain::channelListsTakeNoTypedCharacters()
{
    MainWindowFixture f;
    f.start();
    for (const QString &name : { u"cboStart"_s, u"cboEnd"_s }) {
        auto *box = f.find<QComboBox>(name);
        const QString before = box->currentText();
        box->setFocus();
        QTest::keyClicks(box, u"7a"_s);
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClick(box, Qt::Key_Return);
        QTest::keyClicks(box->lineEdit(), u"5"_s);
        QCOMPARE(box->currentText(), before);
    }
    // Keys without a character still work: the arrows choose from the list.
    auto *start = f.find<QComboBox>(u"cboStart"_s);
    QTest::keyClick(start, Qt::Key_Down);
    QCOMPARE(start->currentText(), u"1"_s);
}

void tst_frmMain::manualButtonOpensTheLoadedWindow()
{
    MainWindowFixture f;
    f.settings->setValue(u"Settings"_s, u"ChNum"_s, u"0"_s);
    ChannelNames names;
    names.set(3, u"Inlet"_s, {});
    QVERIFY(names.save(*f.settings));
    f.start();
    QStringList seen;
    QString tip;
    bool portOpenMeanwhile = false;
    QTimer::singleShot(0, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        const QList<QPushButton *> buttons = modal->findChildren<QPushButton *>(u"cmdCH"_s);
        for (QPushButton *button : buttons) {
            if (!button->isHidden())
                seen << button->text();
        }
        tip = buttons.value(3)->toolTip();
        portOpenMeanwhile = f.port.isOpen();
        modal->close();
    });
    // A safety net: a dialog that stays open must not hang the test.
    QTimer::singleShot(5000, [] {
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
    trigger(*f.window, u"mnuScanManual"_s);
    QCOMPARE(seen.size(), 10);
    QCOMPARE(seen.first(), u"CH 00"_s);
    QCOMPARE(seen.last(), u"CH 09"_s);
    QCOMPARE(tip, names.toolTip(3));
    QVERIFY(portOpenMeanwhile);
    QVERIFY(!f.port.isOpen());
    QCOMPARE(f.port.openCount, 1);
    QVERIFY(f.port.written.isEmpty());
}

void tst_frmMain::manualWindowWithoutItsPortDoesNotOpen()
{
    MainWindowFixture f;
    f.start();
    f.port.openFails = true;
    bool opened = false;
    QTimer::singleShot(0, [&] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            opened = true;
            modal->close();
        }
    });
    trigger(*f.window, u"mnuScanManual"_s);
    QCoreApplication::processEvents();
    QVERIFY(!opened);
    QCOMPARE(f.dialogs.messages.size(), 1);
    QVERIFY(f.dialogs.messages.first().text.contains(u"com1 (/dev/ttyS0)"_s));
}

void tst_frmMain::resizeRuleOnTheWidgets()
{
    MainWindowFixture f;
    frmMain &w = f.start();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *fraSet = f.find<QGroupBox>(u"fraSet"_s);
    auto *fraData = f.find<QGroupBox>(u"fraData"_s);
    auto *grid = f.find<QTableView>(u"fgdData"_s);
    auto *fraCh = f.find<QGroupBox>(u"fraCh"_s);
    auto *fraPres = f.find<QGroupBox>(u"fraPres"_s);
    auto *client = w.centralWidget();

    // Too narrow and too low: widened, then heightened, then laid out.
    w.resize(300, 200);
    QTRY_COMPARE(w.width(), 620);
    QTRY_VERIFY(client->height() >= 326);
    QCOMPARE(fraSet->width(), client->width() - 11);
    QCOMPARE(fraSet->x(), 5);

    const QSize before = w.size();
    const int setWidth = fraSet->width();
    const int dataHeight = fraData->height();
    const int gridWidth = grid->width();
    const int chLeft = fraCh->x();
    const int presLeft = fraPres->x();
    w.resize(before + QSize(100, 60));
    QTRY_COMPARE(fraSet->width(), setWidth + 100);
    QCOMPARE(fraData->width(), setWidth + 100);
    QCOMPARE(grid->width(), gridWidth + 100);
    QCOMPARE(fraCh->x(), chLeft + 100);
    QCOMPARE(fraPres->x(), presLeft + 100);
    QCOMPARE(fraData->height(), dataHeight + 60);
    QCOMPARE(grid->height(), fraData->height() - 19);
    // The data frame ends just above the status bar, whatever the window's size.
    QCOMPARE(fraData->geometry().bottom() + 1, client->height() - 3);
}

void tst_frmMain::minimizingKeepsTheLayout()
{
    MainWindowFixture f;
    frmMain &w = f.start();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.resize(800, 500);
    auto *grid = f.find<QTableView>(u"fgdData"_s);
    QTRY_COMPARE(grid->width(), 800 - 11 - 12);
    const QRect before = grid->geometry();
    w.showMinimized();
    QCoreApplication::processEvents();
    w.showNormal();
    QCoreApplication::processEvents();
    QCOMPARE(grid->geometry(), before);
}

void tst_frmMain::demoStaysNamed()
{
    MainWindowFixture f;
    frmMain &w = f.start();
    w.setDemo(u"/dev/pts/7"_s);
    QVERIFY2(w.windowTitle().contains(u"Demo"_s), qPrintable(w.windowTitle()));
    // Neither a passing message nor a new caption takes the note away.
    w.showNotice(u"Exported to /tmp/run.csv"_s);
    ResultTable rows;
    w.document().replace(rows, { u"VESTRA-IP -[Data  run1]"_s });
    QVERIFY(w.windowTitle().startsWith(u"VESTRA-IP -[Data  run1]"_s));
    QVERIFY(w.windowTitle().contains(u"Demo"_s));
    auto *note = f.find<QLabel>(u"sbStatusBarDemo"_s);
    QVERIFY(note && note->isVisible());
    QVERIFY(note->toolTip().contains(u"/dev/pts/7"_s));
}

// Scan > Settle Check... keeps the check in the settings, and the next scan
// queries each channel again; before it, one query per reading.
void tst_frmMain::settleCheckIsKeptAndTakenByTheNextScan()
{
    MainWindowFixture f;
    f.start();
    f.find<QComboBox>(u"cboStart"_s)->setCurrentIndex(0);
    f.find<QComboBox>(u"cboEnd"_s)->setCurrentIndex(0);
    QTimer::singleShot(0, [] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal->objectName() != u"frmSettleCheck"_s)
            return;
        modal->findChild<QCheckBox *>(u"chkSettle"_s)->setChecked(true);
        modal->findChild<QDoubleSpinBox *>(u"txtTolerance"_s)->setValue(0.5);
        modal->findChild<QSpinBox *>(u"txtMaxQueries"_s)->setValue(2);
        static_cast<QDialog *>(modal)->accept();
    });
    QTimer::singleShot(5000, [] {
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
    f.find<QAction>(u"mnuScanSettle"_s)->trigger();
    QCOMPARE(f.settings->value(u"SettleCheck"_s, u"Tolerance"_s, {}), u"0.5"_s);
    QCOMPARE(f.settings->value(u"SettleCheck"_s, u"MaxQueries"_s, {}), u"2"_s);

    // A scanner without a reply of its own: the test answers each query.
    trigger(*f.window, u"mnuScanStart"_s);
    QVERIFY(f.session->isScanning());
    f.port.receive(ScannerModel::replyText(0, 0));
    f.scanTimer()->fire(); // selects channel 0
    f.scanTimer()->fire(); // reads it
    QCOMPARE(f.port.written, QByteArray("?R\r\nV00\r\n?R\r\n"));
    f.port.receive(ScannerModel::replyText(0, 1));
    // The further query waits out the echo window.
    FakeTimer *settle = f.timers.named(u"settleTimer"_s);
    QVERIFY(settle && settle->isActive());
    settle->fire();
    QCOMPARE(f.port.written, QByteArray("?R\r\nV00\r\n?R\r\n?R\r\n"));
    f.port.receive(ScannerModel::replyText(0, 1));
    QCOMPARE(f.port.written, QByteArray("?R\r\nV00\r\n?R\r\n?R\r\nV00\r\n"));
    QCOMPARE(f.window->resultTable().text(1, 1), ScannerModel::valueText(0, 1));
    QVERIFY(!f.window->resultTable().isUnsettled(1, 1));
    trigger(*f.window, u"mnuScanStop"_s);
}

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
