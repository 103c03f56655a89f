#include "PortMap.h"
#include "PtyScanner.h"
#include "QtDialogs.h"
#include "QtEventPump.h"
#include "QtSerialPort.h"
#include "QtSettingsStore.h"
#include "QtTimer.h"
#include "ScanSession.h"
#include "SignalSessionEndWatcher.h"
#include "SqliteScanRecord.h"
#include "Translations.h"
#include "Version.h"
#include "mdlMain.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFont>
#include <QLocale>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// Saved and discarded scans older than this are removed at start-up.
constexpr int kRetentionDays = 90;

struct Options
{
    bool demo = false;
};

void nameTheApplication()
{
    QCoreApplication::setApplicationName(u"ROZIVODA"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(ROZIVODA_VERSION));
}

// Parsed before any window system is reached, so that --help and --version
// work without a display; they, and a bad option, end the program here.
Options parseOptions(int argc, char *argv[])
{
    QCoreApplication core(argc, argv);
    nameTheApplication();
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(u"Desktop utility for the VESTRA-IP pressure scanner."_s);
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption demo(u"demo"_s,
                                  u"Run against the built-in simulated scanner on both ports."_s);
    parser.addOption(demo);
    // Options QApplication takes for itself ("-platform offscreen") are known
    // here too, so that they are not refused before it sees them.
    for (const char *name :
         { "platform", "platformpluginpath", "platformtheme", "plugin", "display",
           "qwindowgeometry", "qwindowicon", "qwindowtitle", "session", "style", "stylesheet" }) {
        QCommandLineOption qtOption(QString::fromLatin1(name), {}, u"value"_s);
        qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qtOption);
    }
    for (const char *name : { "reverse", "widgetcount", "nograb", "dograb", "sync" }) {
        QCommandLineOption qtFlag(QString::fromLatin1(name));
        qtFlag.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qtFlag);
    }
    parser.process(core);
    Options options;
    options.demo = parser.isSet(demo);
    return options;
}

} // namespace

int main(int argc, char *argv[])
{
    const Options options = parseOptions(argc, argv);

    QApplication app(argc, argv);
    // The texts follow the desktop's language; without a translation for it
    // they stay English.
    installTranslations(app, QLocale::system());
    nameTheApplication();
    QApplication::setWindowIcon(QIcon(u":/icons/rozivoda.png"_s));
    // The windows name a Korean font; where it is missing, a font that carries
    // Hangul stands in for it.
    QFont::insertSubstitutions(u"굴림"_s, { u"Gulim"_s, u"NanumGothic"_s, u"Noto Sans CJK KR"_s });

    QtSettingsStore settings;
    PortMap ports(settings);
    QtSerialPort comScan;
    QtTimerFactory timers;
    QtDialogs dialogs;
    QtEventPump events;
    SignalSessionEndWatcher sessionEnd;

    PtyScanner simulator;
    QString notice;
    if (options.demo) {
        if (!simulator.start()) {
            std::fprintf(stderr, "rozivoda: cannot start the simulated scanner: %s\n",
                         qPrintable(simulator.errorString()));
            return 1;
        }
        ports.overrideAll(simulator.devicePath());
        notice = u"Demo: both ports lead to the simulated scanner on "_s + simulator.devicePath();
    }

    // Every reading is kept on disk as it is taken; a record that cannot be
    // opened only means the scan is kept in memory, as the status bar says.
    SqliteScanRecord record(SqliteScanRecord::defaultPath());
    if (record.open())
        record.applyRetention(kRetentionDays);

    ScanSession session(comScan, timers);
    session.setRecord(&record);
    auto window = Main({ settings, ports, session, timers, dialogs, events });
    dialogs.setParentWidget(window.get());
    if (!notice.isEmpty())
        window->setSessionNotice(notice);
    QObject::connect(&sessionEnd, &SessionEndWatcher::endRequested, window.get(),
                     &frmMain::endSession);
    return app.exec();
}
