#include "PortMap.h"
#include "PtyScanner.h"
#include "QtDialogs.h"
#include "QtEventPump.h"
#include "QtSerialPort.h"
#include "QtSettingsStore.h"
#include "QtTimer.h"
#include "ScanSession.h"
#include "Version.h"
#include "mdlMain.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFont>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"ROZIVODA"_s);
    QApplication::setApplicationVersion(QStringLiteral(ROZIVODA_VERSION));
    QApplication::setWindowIcon(QIcon(u":/icons/rozivoda.png"_s));
    // The windows name a Korean font; where it is missing, a font that carries
    // Hangul stands in for it.
    QFont::insertSubstitutions(u"굴림"_s, { u"Gulim"_s, u"NanumGothic"_s, u"Noto Sans CJK KR"_s });

    QCommandLineParser options;
    options.setApplicationDescription(u"Desktop utility for the VESTRA-IP pressure scanner."_s);
    options.addHelpOption();
    options.addVersionOption();
    const QCommandLineOption demo(u"demo"_s,
                                  u"Run against the built-in simulated scanner on both ports."_s);
    options.addOption(demo);
    options.process(app);

    QtSettingsStore settings;
    PortMap ports(settings);
    QtSerialPort comScan;
    QtTimerFactory timers;
    QtDialogs dialogs;
    QtEventPump events;

    PtyScanner simulator;
    QString notice;
    if (options.isSet(demo)) {
        if (!simulator.start()) {
            std::fprintf(stderr, "rozivoda: cannot start the simulated scanner: %s\n",
                         qPrintable(simulator.errorString()));
            return 1;
        }
        ports.overrideAll(simulator.devicePath());
        notice = u"Demo: both ports lead to the simulated scanner on "_s + simulator.devicePath();
    }

    ScanSession session(comScan, timers);
    auto window = Main({ settings, ports, session, timers, dialogs, events });
    dialogs.setParentWidget(window.get());
    if (!notice.isEmpty())
        window->setSessionNotice(notice);
    return app.exec();
}
