#include "FakeScanner.h"
#include "MainWindowFixture.h"
#include "Translations.h"

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTest>

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
        f.window->tbToolBar_ButtonClick(ToolbarButton::Start);
        for (int i = 0; i < 5; ++i) {
            f.scanTimer()->fire();
            QCoreApplication::processEvents();
        }
        f.window->tbToolBar_ButtonClick(ToolbarButton::Stop);
        const QString path = f.dir.filePath(u"run.txt"_s);
        f.dialogs.savePaths << path;
        f.window->mnuFileSave_Click();
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
    QAction *newFile = f.find<QAction>(u"tbNewFile"_s);
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

QTEST_MAIN(tst_Translation)
#include "tst_translation.moc"
