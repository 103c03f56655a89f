// Runs the main window offscreen against the simulated scanner on a
// pseudo-terminal, with real serial port and timers, the settle check on and
// channel 3 settling slower than the term; saves the grid and the live view's
// channel health:
//   settle_screenshots GRID.png HEALTH.png [SECONDS]
#include "FakeDialogs.h"
#include "PortMap.h"
#include "PtyScanner.h"
#include "QtEventPump.h"
#include "QtSerialPort.h"
#include "QtSettingsStore.h"
#include "QtTimer.h"
#include "ResultTable.h"
#include "ScanSession.h"
#include "frmMain.h"
#include "frmSettleCheck.h"
#include "mdlMain.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"ROZIVODA"_s);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fputs("usage: settle_screenshots GRID.png HEALTH.png [SECONDS]\n", stderr);
        return 2;
    }
    const int seconds = args.size() > 3 ? args.at(3).toInt() : 8;
    QTemporaryDir dir;
    qputenv("XDG_STATE_HOME", dir.filePath(u"state"_s).toLocal8Bit());

    PtyScanner scanner;
    scanner.model().options().settleTime = std::chrono::milliseconds(25);
    scanner.model().options().channelSettle.insert(3, std::chrono::milliseconds(900));
    if (!scanner.start()) {
        std::fprintf(stderr, "no pseudo-terminal: %s\n", qPrintable(scanner.errorString()));
        return 1;
    }
    QtSettingsStore settings(dir.filePath(u"ROZIVODA.conf"_s));
    PortMap ports(settings);
    ports.setDevice(1, scanner.devicePath());
    SettleCheck check;
    check.on = true;
    check.tolerance = 0.001;
    check.maxExtraQueries = 4;
    frmSettleCheck::store(settings, check);

    QtSerialPort port;
    QtTimerFactory timers;
    FakeDialogs dialogs;
    QtEventPump events;
    ScanSession session(port, timers);
    auto window = Main({ settings, ports, session, timers, dialogs, events });
    window->show();
    window->findChild<QComboBox *>(u"cboStart"_s)->setCurrentIndex(0);
    window->findChild<QComboBox *>(u"cboEnd"_s)->setCurrentIndex(7);
    window->findChild<QLineEdit *>(u"txtTerm"_s)->setText(u"0.4"_s);
    window->findChild<QAction *>(u"mnuScanStart"_s)->trigger();
    if (!session.isScanning()) {
        std::fprintf(stderr, "the scan did not start: %s\n", qPrintable(session.errorString()));
        return 1;
    }
    window->findChild<QAction *>(u"mnuViewLive"_s)->trigger();
    // exit(), not quit(): the window would ask about the unsaved results.
    QTimer::singleShot(seconds * 1000, &app, [] { QCoreApplication::exit(0); });
    app.exec();

    const ResultTable &table = window->resultTable();
    int unsettled = 0;
    for (int row = 1; row < table.rows(); ++row) {
        for (int column = 1; column < table.cols() - 1; ++column) {
            if (table.isUnsettled(row, column)) {
                ++unsettled;
                std::printf(
                    "pass %d column %d: %s\n", row, column,
                    qPrintable(
                        table.data(table.index(row - 1, column), Qt::ToolTipRole).toString()));
            }
        }
    }
    std::printf("%d passes, %d readings not settled\n", table.rows() - 1, unsettled);
    const bool grid = window->grab().save(args.at(1));
    bool health = false;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (top->objectName() != u"frmLiveView"_s)
            continue;
        if (auto *tabs = top->findChild<QTabWidget *>())
            tabs->setCurrentIndex(tabs->count() - 1);
        // Wide enough for the settle columns, short enough for eight channels.
        top->resize(1500, 330);
        QApplication::processEvents();
        health = top->grab().save(args.at(2));
    }
    window->findChild<QAction *>(u"mnuScanStop"_s)->trigger();
    return grid && health ? 0 : 1;
}
