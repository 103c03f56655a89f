#include "FakeScanner.h"
#include "MainWindowFixture.h"
#include "SqliteScanRecord.h"
#include "Translations.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTranslator>

#include <functional>

using namespace Qt::StringLiterals;

// The program in Korean, loaded the way it starts: the window's texts come from
// the translation, while a result file, whose texts belong to the format, is
// byte for byte what the English program writes.
class tst_Translation : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void resultFileIsTheSameInEveryLanguage();
    void mainWindowSpeaksKorean();
    void everyVisibleTextGoesThroughTranslation();

private:
    struct Saved
    {
        QByteArray bytes;
        QString dialogTitle;
    };
    // A two-pass scan over channels 0 and 1, saved through File > Save.
    static Saved scanAndSave()
    {
        MainWindowFixture f;
        FakeScanner scanner { f.port };
        f.start();
        f.find<QComboBox>(u"cboEnd"_s)->setCurrentIndex(1);
        trigger(*f.window, u"mnuScanStart"_s);
        for (int i = 0; i < 5; ++i) {
            f.scanTimer()->fire();
            QCoreApplication::processEvents();
        }
        trigger(*f.window, u"mnuScanStop"_s);
        const QString path = f.dir.filePath(u"run.txt"_s);
        f.dialogs.savePaths << path;
        trigger(*f.window, u"mnuFileSave"_s);
        QFile file(path);
        return { file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(),
                 f.dialogs.fileDialogTitles.value(0) };
    }
    static void speakKorean()
    {
        QLocale::setDefault(QLocale(QLocale::Korean, QLocale::SouthKorea));
        QVERIFY(installTranslations(*QCoreApplication::instance(), QLocale()));
    }
};

void tst_Translation::resultFileIsTheSameInEveryLanguage()
{
    const Saved english = scanAndSave();
    QCOMPARE(english.dialogTitle, u"Save"_s);
    QVERIFY(english.bytes.startsWith("\"VESTRA-IP Scanning Pressure Data\"\r\n\"ID\",\"Ch 00\""));

    speakKorean();
    const Saved korean = scanAndSave();
    QCOMPARE(korean.dialogTitle, u"저장"_s); // the translation did reach the commands
    QCOMPARE(korean.bytes, english.bytes);
}

void tst_Translation::mainWindowSpeaksKorean()
{
    speakKorean();
    MainWindowFixture f;
    frmMain &w = f.start();

    QCOMPARE(w.menuBar()->actions().value(0)->text(), u"파일(&F)"_s);
    QCOMPARE(f.find<QGroupBox>(u"fraPres"_s)->title(), u"압력"_s);
    // The toolbar buttons keep their names, which tests and settings use.
    auto *newFile = f.find<QToolButton>(u"tbNewFile"_s);
    QVERIFY(newFile);
    QCOMPARE(
        newFile->toolTip(),
        u"새 파일 (%1)"_s.arg(QKeySequence(QKeySequence::New).toString(QKeySequence::NativeText)));

    // Every command in the menus and on the toolbar is in Korean, apart from
    // port names and channel counts; an English one was not marked for
    // translation or has no translation.
    const QRegularExpression hangul(u"\\p{Hangul}"_s);
    const QRegularExpression untranslated(u"^(com\\d|\\d+)$"_s);
    QList<QAction *> commands = f.window->findChildren<QAction *>();
    for (QAction *command : std::as_const(commands)) {
        if (command->isSeparator() || command->text().isEmpty()
            || command == f.find<QToolBar>(u"tbToolBar"_s)->toggleViewAction())
            continue;
        if (!command->text().contains(hangul) && !command->text().contains(untranslated))
            QFAIL(qPrintable(command->objectName() + u": "_s + command->text()));
    }
}

namespace {

// Marks every text that passes through the translation system, so that a text
// shown without the marks has bypassed it.
class PseudoTranslator : public QTranslator
{
public:
    static constexpr QChar kOpen = u'\u2039';
    QString translate(const char *, const char *source, const char *, int) const override
    {
        return kOpen + QString::fromUtf8(source) + u'\u203A';
    }
    bool isEmpty() const override { return false; }
};

// The texts a user sees in a window: captions, labels, buttons, menus, group
// titles, tabs, table headers and cells.
QStringList visibleTexts(const QWidget *window)
{
    QStringList texts { window->windowTitle() };
    for (const QLabel *label : window->findChildren<QLabel *>())
        texts << label->text();
    for (const QAbstractButton *button : window->findChildren<QAbstractButton *>())
        texts << button->text();
    for (const QGroupBox *box : window->findChildren<QGroupBox *>())
        texts << box->title();
    for (const QAction *action : window->findChildren<QAction *>())
        texts << action->text() << action->toolTip();
    for (const QTabWidget *tabs : window->findChildren<QTabWidget *>()) {
        for (int i = 0; i < tabs->count(); ++i)
            texts << tabs->tabText(i);
    }
    for (const QTableView *table : window->findChildren<QTableView *>()) {
        const QAbstractItemModel *model = table->model();
        if (!model)
            continue;
        for (int column = 0; column < model->columnCount(); ++column) {
            texts << model->headerData(column, Qt::Horizontal).toString();
            for (int row = 0; row < std::min(model->rowCount(), 3); ++row)
                texts << model->index(row, column).data().toString();
        }
    }
    return texts;
}

// Data and names that stay as they are in every language: numbers, times,
// channel and port names, the unit, the product's name, paths.
bool needsNoTranslation(const QString &text)
{
    static const QRegularExpression verbatim(
        u"^([^\\p{L}]*|Ch \\d+|CH \\d+|com\\d:?( \\(.*\\))?|\\S* ?kgf/cm2|VESTRA-IP.*|/.*|ID|Unit|&?\\d+ /.*)$"_s);
    // A key's name in a shortcut ("Ctrl+N"), the modifier translated by Qt.
    static const QRegularExpression key(u"^[^\\p{L}]*\\p{Lu}?[^\\p{L}]*$"_s);
    const QString shown = text.trimmed();
    return shown.isEmpty() || verbatim.match(shown).hasMatch() || key.match(shown).hasMatch()
        || shown == QLocale().toString(QDate::currentDate(), QLocale::ShortFormat)
        || shown == QSysInfo::machineHostName();
}

} // namespace

void tst_Translation::everyVisibleTextGoesThroughTranslation()
{
    PseudoTranslator pseudo;
    QCoreApplication::installTranslator(&pseudo);
    struct Uninstall
    {
        PseudoTranslator *translator;
        ~Uninstall() { QCoreApplication::removeTranslator(translator); }
    } uninstall { &pseudo };

    QStringList bypassing;
    // What is left of a text once its translated pieces are taken out must
    // need no translation: a message built from a translated frame around an
    // English reason is caught too.
    static const QRegularExpression translated(u"\u2039[^\u203A]*\u203A"_s);
    auto check = [&](const QString &where, const QStringList &texts) {
        for (const QString &text : texts) {
            const QStringList rest = QString(text).replace(translated, u"\n"_s).split(u'\n');
            for (const QString &piece : rest) {
                if (!needsNoTranslation(piece)) {
                    bypassing << where + u": "_s + text;
                    break;
                }
            }
        }
    };

    MainWindowFixture f;
    SqliteScanRecord record(f.dir.filePath(u"record.sqlite"_s));
    QVERIFY(record.open());
    f.create();
    f.session->setRecord(&record);
    f.window->Form_Load();
    f.window->show();
    f.window->setDemo(u"/dev/pts/9"_s);
    check(u"main window"_s, visibleTexts(f.window.get()));

    // A scan, so that the history and the status bar have something to show.
    FakeScanner scanner { f.port };
    trigger(*f.window, u"mnuScanStart"_s);
    for (int i = 0; i < 3; ++i) {
        f.scanTimer()->fire();
        QCoreApplication::processEvents();
    }
    trigger(*f.window, u"mnuScanStop"_s);
    check(u"main window after a scan"_s, visibleTexts(f.window.get()));

    trigger(*f.window, u"mnuViewLive"_s);
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window != f.window.get() && window->isVisible())
            check(window->objectName(), visibleTexts(window));
    }

    // The modal windows, each read once it shows and then closed.
    const QList<std::function<void()>> commands {
        [&] { trigger(*f.window, u"mnuAlarmLimits"_s); },
        [&] { trigger(*f.window, u"mnuPortDevices"_s); },
        [&] { trigger(*f.window, u"mnuHelpAbout"_s); },
        [&] { trigger(*f.window, u"mnuFileHistory"_s); },
        [&] { trigger(*f.window, u"mnuScanManual"_s); },
    };
    for (const auto &command : commands) {
        bool seen = false;
        QTimer::singleShot(0, this, [&] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                seen = true;
                check(modal->objectName(), visibleTexts(modal));
                modal->close();
            }
        });
        command();
        QVERIFY(seen);
    }
    f.dialogs.savePaths << f.dir.filePath(u"run.csv"_s);
    trigger(*f.window, u"mnuFileExportCsv"_s);
    // A file that is not a result file: the reason is in the window's language too.
    QFile notes(f.dir.filePath(u"notes.txt"_s));
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.write("shopping list\n");
    notes.close();
    f.dialogs.answers << QMessageBox::No;
    f.dialogs.openPaths << notes.fileName();
    trigger(*f.window, u"mnuFileOpen"_s);
    trigger(*f.window, u"mnuFileNew"_s);

    for (const FakeDialogs::Message &message : std::as_const(f.dialogs.messages))
        check(u"message"_s, { message.title, message.text });
    check(u"file dialog"_s, f.dialogs.fileDialogTitles + f.dialogs.fileDialogFilters);
    QVERIFY2(bypassing.isEmpty(), qPrintable(bypassing.join(u'\n')));
}

QTEST_MAIN(tst_Translation)
#include "tst_translation.moc"
