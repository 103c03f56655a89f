#include "LogCategories.h"
#include "LogLocation.h"
#include "OpenScanRecord.h"
#include "PortMap.h"
#include "PtyScanner.h"
#include "QtDialogs.h"
#include "QtEventPump.h"
#include "QtSerialPort.h"
#include "QtSerialPortLister.h"
#include "QtSettingsStore.h"
#include "QtTimer.h"
#include "RotatingLog.h"
#include "ScanRecord.h"
#include "ScanSession.h"
#include "SettingsKeys.h"
#include "SignalSessionEndWatcher.h"
#include "SqliteScanRecord.h"
#include "StoredSettings.h"
#include "Translations.h"
#include "Version.h"
#include "mdlMain.h"

#ifdef ROZIVODA_HAVE_DBUS
#include "DBusDesktopNotifier.h"
#endif

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QFont>
#include <QLocale>
#include <QLoggingCategory>
#include <QUrl>

#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

struct Options
{
    bool demo = false;
    // A result file to open once the window shows.
    QString file;
    bool verbose = false;
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
    parser.addPositionalArgument(u"file"_s, u"A result file to open."_s, u"[file]"_s);
    const QCommandLineOption verbose(
        u"verbose"_s, u"Log every byte on the serial line, with millisecond times."_s);
    parser.addOption(verbose);
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
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fprintf(stderr, "rozivoda: one result file at a time\n");
        std::exit(1);
    }
    if (!files.isEmpty()) {
        // A desktop may hand over a URL; a relative name is taken from here.
        const QUrl url(files.constFirst());
        options.file = QFileInfo(url.isLocalFile() ? url.toLocalFile() : files.constFirst())
                           .absoluteFilePath();
    }
    options.verbose = parser.isSet(verbose);
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

    const QString logPath = logDirectory() + u"/rozivoda.log"_s;
    RotatingLog log(logPath);
    RotatingLog::install(&log, RotatingLog::stderrIsTerminal());
    struct Uninstall
    {
        ~Uninstall() { RotatingLog::uninstall(); }
    } uninstallLog;
    if (options.verbose)
        QLoggingCategory::setFilterRules(u"rozivoda.serial.debug=true"_s);
    qCInfo(lcScan, "%s %s started", "ROZIVODA", ROZIVODA_VERSION);

    QtSettingsStore settings;
    PortMap ports(settings);
    QtSerialPort comScan;
    QtTimerFactory timers;
    QtDialogs dialogs;
    QtEventPump events;
    auto sessionEnd = std::make_unique<SignalSessionEndWatcher>();

    PtyScanner simulator;
    if (options.demo) {
        if (!simulator.start()) {
            std::fprintf(stderr, "rozivoda: cannot start the simulated scanner: %s\n",
                         qPrintable(simulator.errorString()));
            return 1;
        }
        ports.overrideAll(simulator.devicePath());
    }

    // Every reading is kept on disk as it is taken; a record that cannot be
    // opened only means the scan is kept in memory, as the status bar says.
    // The settings may name a lab's shared database; readings then wait in the
    // embedded file whenever the server is out of reach.
    QString recordError;
    const QString store = settings.value(SettingsKeys::kRecord, SettingsKeys::kRecordStore,
                                         SettingsKeys::kRecordStoreDefault);
    // A password in the address is shown to nobody.
    const QString shownStore = QUrl(store).toDisplayString(QUrl::RemovePassword);
    std::unique_ptr<ScanRecord> record = openScanRecord(store, &recordError);
    // A store the settings name but the program cannot use (a mistyped
    // address) must not pass unnoticed: the local record stands in, and the
    // status bar and the log say so.
    QString storeProblem;
    if (!record) {
        storeProblem = QCoreApplication::translate("main",
                                                   "The [Record] Store setting \"%1\" is not "
                                                   "used (%2); readings are kept in %3")
                           .arg(shownStore, recordError, SqliteScanRecord::defaultPath());
        qCWarning(lcScan, "%s", qUtf8Printable(storeProblem));
        record = openScanRecord({}, &recordError);
    }
    if (record->isWorking())
        record->applyRetention(StoredSettings::retentionDays(settings));

    QtSerialPortLister lister;
    ScanSession session(comScan, timers);
    session.setPortLister(&lister);
    session.setRecord(record.get());
#ifdef ROZIVODA_HAVE_DBUS
    DBusDesktopNotifier notifier;
#endif
    auto window = Main({ settings, ports, session, timers, dialogs, events });
    dialogs.setParentWidget(window.get());
    if (options.demo)
        window->setDemo(simulator.devicePath());
    if (!storeProblem.isEmpty())
        window->setStoreProblem(storeProblem);
#ifdef ROZIVODA_HAVE_DBUS
    window->setDesktopNotifier(&notifier);
#endif
    window->setFileLocations(
        store.isEmpty() || !storeProblem.isEmpty() ? SqliteScanRecord::defaultPath() : shownStore,
        logPath);
    // The user's history would seem to vanish: where it went is said once.
    if (const QString aside = movedAsidePath(record.get()); !aside.isEmpty()) {
        const QString moved
            = QCoreApplication::translate("main",
                                          "The record of scans was damaged and was moved to %1; "
                                          "a new one was begun.")
                  .arg(aside);
        std::fprintf(stderr, "rozivoda: %s\n", qPrintable(moved));
        window->showNotice(moved);
    }
    QObject::connect(sessionEnd.get(), &SessionEndWatcher::endRequested, window.get(),
                     &frmMain::endSession);
    if (!options.file.isEmpty())
        QMetaObject::invokeMethod(
            window.get(), [&window, &options] { window->openFile(options.file); },
            Qt::QueuedConnection);
    const int exitCode = app.exec();
    // The record may still wait a few seconds for a lab's server: a signal
    // from here on ends the program at once.
    sessionEnd.reset();
    return exitCode;
}
