#include "DecimalValue.h"
#include "FakeScanner.h"
#include "FileCommands.h"
#include "MainWindowFixture.h"
#include "QtDialogs.h"
#include "RecentFiles.h"
#include "ResultTable.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProgressDialog>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

// New, Open, Save and Exit as the user reaches them, with the save question,
// the caption, the file dialogs and the state each leaves behind.
class tst_FileCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fileTitle_data();
    void fileTitle();
    void commandsAskNothingWithoutUnsavedResults();
    void saveQuestionBeforeNew_data();
    void saveQuestionBeforeNew();
    void saveQuestionBeforeOpen();
    void saveThatDoesNotHappenStopsNewAndOpen_data();
    void saveThatDoesNotHappenStopsNewAndOpen();
    void saveAndOpenRoundTrip();
    void zeroShownZeroedAndSavedAsChosen();
    void fileThatIsNotAResultFileIsRejected();
    void failedSaveKeepsResultsUnsavedAndTheOldFile();
    void openThatFailsLeavesTheTable_data();
    void openThatFailsLeavesTheTable();
    void openWithoutRowsLeavesStart();
    void exit_data();
    void exit();
    void closeOrCancelDuringALoad_data();
    void closeOrCancelDuringALoad();
    void saveDialogAddsTheFilterSuffix_data();
    void saveDialogAddsTheFilterSuffix();
    void eachCommandStartsAtItsOwnFile_data();
    void eachCommandStartsAtItsOwnFile();
    void nameWithoutSuffixUnderTextFilter_data();
    void nameWithoutSuffixUnderTextFilter();
    void openRecent();
    void droppedFileOpensAfterSaveQuestion_data();
    void droppedFileOpensAfterSaveQuestion();

private:
    // A window that holds the results of a stopped two-pass scan over 0 to 1.
    struct Session
    {
        MainWindowFixture f;
        FakeScanner scanner { f.port };
        QDir dir { f.dir.path() };

        Session()
        {
            f.start();
            f.find<QComboBox>(u"cboEnd"_s)->setCurrentIndex(1);
            trigger(*f.window, u"mnuScanStart"_s);
            for (int i = 0; i < 5; ++i) {
                f.scanTimer()->fire();
                QCoreApplication::processEvents();
            }
            trigger(*f.window, u"mnuScanStop"_s);
        }
        frmMain &w() { return *f.window; }
        const ResultTable &table() { return f.window->resultTable(); }
        QString path(const QString &name) const { return dir.filePath(name); }
    };

    static bool writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }
    static QByteArray readAll(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

void tst_FileCommands::fileTitle_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("caption");
    QTest::newRow("windows path") << u"C:\\data\\run1.txt"_s << u"VESTRA-IP -[Data  run1]"_s;
    QTest::newRow("unix path") << u"/home/op/run1.txt"_s << u"VESTRA-IP -[Data  run1]"_s;
    QTest::newRow("four characters") << u"C:\\data\\abcd"_s << u"VESTRA-IP -[Data  ]"_s;
    QTest::newRow("shorter than four") << u"/tmp/ab"_s << u"VESTRA-IP -[Data  ]"_s;
    QTest::newRow("no folder") << u"run2.txt"_s << u"VESTRA-IP -[Data  run2]"_s;
    QTest::newRow("dots inside") << u"/x/a.b.txt"_s << u"VESTRA-IP -[Data  a.b]"_s;
}

void tst_FileCommands::fileTitle()
{
    QFETCH(QString, path);
    QFETCH(QString, caption);
    QCOMPARE(FileCommands::fileTitle(path), caption);
}

void tst_FileCommands::commandsAskNothingWithoutUnsavedResults()
{
    MainWindowFixture f;
    frmMain &w = f.start();
    trigger(w, u"mnuFileNew"_s);
    trigger(w, u"mnuFileOpen"_s); // Open, cancelled in its dialog
    QVERIFY(f.dialogs.messages.isEmpty());
    QCOMPARE(f.dialogs.fileDialogTitles, QStringList { u"Open"_s });
    QVERIFY(f.dialogs.fileDialogFilters.first().startsWith(u"Text File (*.txt);;All File"_s));
    QCOMPARE(w.windowTitle(), u"VESTRA-IP"_s);
}

void tst_FileCommands::saveQuestionBeforeNew_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("emptied");
    QTest::addColumn<bool>("saved");
    QTest::newRow("cancel") << int(QMessageBox::Cancel) << false << false;
    QTest::newRow("no") << int(QMessageBox::No) << true << false;
    QTest::newRow("yes") << int(QMessageBox::Yes) << true << true;
}

void tst_FileCommands::saveQuestionBeforeNew()
{
    QFETCH(int, answer);
    QFETCH(bool, emptied);
    QFETCH(bool, saved);
    Session s;
    QCOMPARE(s.table().rows(), 3);
    s.f.dialogs.answers << QMessageBox::StandardButton(answer);
    s.f.dialogs.savePaths << s.path(u"before-new.txt"_s);
    trigger(*s.f.window, u"mnuFileNew"_s);

    const FakeDialogs::Message &question = s.f.dialogs.messages.first();
    QCOMPARE(question.text, u"Will you save previous results?"_s);
    QCOMPARE(question.title, u"Save"_s);
    QCOMPARE(question.icon, QMessageBox::Question);
    QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QCOMPARE(question.defaultButton, QMessageBox::Yes);

    QCOMPARE(s.table().rows(), emptied ? 1 : 3);
    QCOMPARE(s.w().Unsaved(), !emptied);
    QCOMPARE(s.f.command(u"mnuScanStart"_s)->isEnabled(), emptied);
    QCOMPARE(QFile::exists(s.path(u"before-new.txt"_s)), saved);
    QCOMPARE(s.w().windowTitle(), u"VESTRA-IP"_s);
    if (emptied)
        QVERIFY(s.f.find<QLabel>(u"lblPres"_s)->text().isEmpty());
}

void tst_FileCommands::saveQuestionBeforeOpen()
{
    Session s;
    s.f.dialogs.answers << QMessageBox::Cancel;
    trigger(s.w(), u"mnuFileOpen"_s);
    QVERIFY(s.f.dialogs.fileDialogTitles.isEmpty());
    QVERIFY(s.w().Unsaved());

    // No: straight on to the open dialog.
    s.f.dialogs.answers << QMessageBox::No;
    trigger(s.w(), u"mnuFileOpen"_s);
    QCOMPARE(s.f.dialogs.fileDialogTitles, QStringList { u"Open"_s });
    QVERIFY(s.w().Unsaved()); // the dialog was cancelled: nothing changed
    QCOMPARE(s.table().rows(), 3);
}

void tst_FileCommands::saveThatDoesNotHappenStopsNewAndOpen_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("savePath"); // empty: the save dialog is cancelled
    QTest::newRow("new, save cancelled") << u"mnuFileNew"_s << QString();
    QTest::newRow("new, save failed") << u"mnuFileNew"_s << u"missing/new.txt"_s;
    QTest::newRow("open, save cancelled") << u"mnuFileOpen"_s << QString();
    QTest::newRow("open, save failed") << u"mnuFileOpen"_s << u"missing/open.txt"_s;
}

void tst_FileCommands::saveThatDoesNotHappenStopsNewAndOpen()
{
    QFETCH(QString, command);
    QFETCH(QString, savePath);
    Session s;
    s.f.dialogs.answers << QMessageBox::Yes << QMessageBox::Ok;
    if (!savePath.isEmpty())
        s.f.dialogs.savePaths << s.path(savePath);
    s.f.dialogs.openPaths << s.path(u"never.txt"_s);
    trigger(s.w(), command);
    QCOMPARE(s.f.dialogs.fileDialogTitles, QStringList { u"Save"_s });
    QCOMPARE(s.table().rows(), 3);
    QVERIFY(s.w().Unsaved());
    QVERIFY(!s.f.command(u"mnuScanStart"_s)->isEnabled());
}

// A zero taken during the scan shows in the readouts, marked; Save writes the
// values zeroed only when asked to, and the CSV says which rows are zeroed.
void tst_FileCommands::zeroShownZeroedAndSavedAsChosen()
{
    MainWindowFixture f;
    FakeScanner scanner { f.port };
    f.start();
    f.find<QComboBox>(u"cboEnd"_s)->setCurrentIndex(1);
    f.find<QAction>(u"mnuZeroPasses1"_s)->trigger();
    QVERIFY(!f.find<QAction>(u"mnuScanZero"_s)->isEnabled());
    trigger(*f.window, u"mnuScanStart"_s);
    const ResultTable &table = f.window->resultTable();
    const auto tick = [&f] {
        f.scanTimer()->fire();
        QCoreApplication::processEvents();
    };
    tick();
    tick(); // channel 00 of pass 1 read
    f.find<QAction>(u"mnuScanZero"_s)->trigger();
    QVERIFY(f.find<QAction>(u"mnuScanClearZero"_s)->isEnabled());
    for (int i = 0; i < 20 && (table.rows() < 4 || table.text(3, 2).isEmpty()); ++i)
        tick();
    QCOMPARE(table.rows(), 4);
    // Pass 2 is the zero: pass 3 shows minus it.
    QStringList zeroed;
    for (int column = 1; column <= 2; ++column)
        zeroed += DecimalValue::fromText(table.text(3, column))
                      ->minus(*DecimalValue::fromText(table.text(2, column)))
                      ->toText();
    auto *pressure = f.find<QLabel>(u"lblPres"_s);
    QCOMPARE(pressure->text(), zeroed[1]);
    QVERIFY2(pressure->toolTip().startsWith(u"zeroed at "_s), qPrintable(pressure->toolTip()));
    QCOMPARE(f.find<QGroupBox>(u"fraPres"_s)->title(), u"Pressure (zeroed)"_s);
    trigger(*f.window, u"mnuScanStop"_s);

    const QString path = f.dir.filePath(u"zeroed.txt"_s);
    f.dialogs.answers << QMessageBox::Yes;
    f.dialogs.savePaths << path;
    trigger(*f.window, u"mnuFileSave"_s);
    const QList<QByteArray> lines = readAll(path).split('\n');
    QCOMPARE(lines.value(3),
             "2," + table.text(2, 1).toLatin1() + ',' + table.text(2, 2).toLatin1()
                 + ",\"kgf/cm2\"\r");
    QCOMPARE(lines.value(4), "3," + zeroed.join(u',').toLatin1() + ",\"kgf/cm2\"\r");
    QCOMPARE(f.dialogs.messages.first().defaultButton, QMessageBox::No);

    const QString csv = f.dir.filePath(u"zeroed.csv"_s);
    f.dialogs.answers << QMessageBox::Yes;
    f.dialogs.savePaths << csv;
    trigger(*f.window, u"mnuFileExportCsv"_s);
    const QList<QByteArray> rows = readAll(csv).split('\n');
    QVERIFY2(rows.value(0).endsWith(",unit,zero\r"), rows.value(0).constData());
    QVERIFY(rows.value(2).endsWith(",kgf/cm2,\r"));
    QVERIFY2(rows.value(3).contains(',' + zeroed.join(u',').toLatin1() + ",kgf/cm2,zeroed at "),
             rows.value(3).constData());
}

void tst_FileCommands::saveAndOpenRoundTrip()
{
    Session s;
    const QString path = s.path(u"run1.txt"_s);
    s.f.dialogs.savePaths << path;
    trigger(s.w(), u"mnuFileSave"_s);
    QCOMPARE(s.w().windowTitle(), u"VESTRA-IP -[Data  run1]"_s);
    QVERIFY(!s.w().Unsaved());
    const QByteArray expected = "\"VESTRA-IP Scanning Pressure Data\"\r\n"
                                "\"ID\",\"Ch 00\",\"Ch 01\",\"Unit\"\r\n"
                                "1,"
        + ScannerModel::valueText(0, 1).toLatin1() + ',' + ScannerModel::valueText(1, 2).toLatin1()
        + ",\"kgf/cm2\"\r\n"
          "2,"
        + ScannerModel::valueText(0, 3).toLatin1() + ',' + ScannerModel::valueText(1, 4).toLatin1()
        + ",\"kgf/cm2\"\r\n";
    QCOMPARE(readAll(path), expected);

    // New asks nothing now; Open brings the same table back.
    trigger(s.w(), u"mnuFileNew"_s);
    QVERIFY(s.f.dialogs.messages.isEmpty());
    auto *start = s.f.find<QComboBox>(u"cboStart"_s);
    auto *end = s.f.find<QComboBox>(u"cboEnd"_s);
    start->setCurrentIndex(3);
    end->setCurrentIndex(7);
    s.f.dialogs.openPaths << path;
    trigger(s.w(), u"mnuFileOpen"_s);
    QCOMPARE(s.table().rows(), 3);
    QCOMPARE(s.table().cols(), 4);
    QCOMPARE(s.table().text(0, 3), u"Unit"_s);
    QCOMPARE(s.table().text(2, 2), ScannerModel::valueText(1, 4));
    QCOMPARE(s.w().windowTitle(), u"VESTRA-IP -[Data  run1]"_s);
    QVERIFY(!s.w().Unsaved());
    // Loaded results are never extended by a scan.
    QVERIFY(!s.f.command(u"mnuScanStart"_s)->isEnabled());
    QCOMPARE(start->currentText(), u"3"_s);
    QCOMPARE(end->currentText(), u"7"_s);

    trigger(s.w(), u"mnuFileNew"_s);
    QVERIFY(s.f.command(u"mnuScanStart"_s)->isEnabled());
    QCOMPARE(s.table().cols(), 7); // laid out for 3 to 7
}

void tst_FileCommands::fileThatIsNotAResultFileIsRejected()
{
    Session s;
    const QString path = s.path(u"notes.txt"_s);
    QVERIFY(writeFile(path, "\"vestra-ip scanning pressure data\"\r\n\"ID\",\"Unit\"\r\n"));
    s.f.dialogs.answers << QMessageBox::No << QMessageBox::Ok;
    s.f.dialogs.openPaths << path;
    trigger(s.w(), u"mnuFileOpen"_s);
    const FakeDialogs::Message &rejection = s.f.dialogs.messages.last();
    QVERIFY(rejection.text.startsWith(u"File Error !!\n"_s + path));
    QCOMPARE(rejection.title, u"Error"_s);
    QCOMPARE(rejection.icon, QMessageBox::Critical);
    QCOMPARE(s.w().windowTitle(), u"VESTRA-IP"_s);
    QCOMPARE(s.table().rows(), 3);
    QCOMPARE(s.table().cols(), 4);
    QVERIFY(s.w().Unsaved());
}

void tst_FileCommands::failedSaveKeepsResultsUnsavedAndTheOldFile()
{
    Session s;
    const QString path = s.path(u"kept.txt"_s);
    QVERIFY(writeFile(path, "previous results\r\n"));
    // A plain file where the folder should be makes the save fail.
    QVERIFY(writeFile(s.path(u"blocked"_s), {}));
    s.f.dialogs.savePaths << s.path(u"blocked/new.txt"_s) << path;
    trigger(s.w(), u"mnuFileSave"_s);
    QVERIFY(s.w().Unsaved());
    QCOMPARE(s.f.dialogs.messages.size(), 1);
    QVERIFY(s.f.dialogs.messages.first().text.contains(u"blocked/new.txt"_s));
    QCOMPARE(readAll(path), QByteArray("previous results\r\n"));

    trigger(s.w(), u"mnuFileSave"_s);
    QVERIFY(!s.w().Unsaved());
    QVERIFY(readAll(path).startsWith("\"VESTRA-IP Scanning Pressure Data\"\r\n"));
}

void tst_FileCommands::openThatFailsLeavesTheTable_data()
{
    QTest::addColumn<QByteArray>("file"); // empty: no such file
    QTest::addColumn<QString>("title");
    const QByteArray title = "\"VESTRA-IP Scanning Pressure Data\"\r\n";
    const QByteArray header = title + "\"ID\",\"Ch 00\",\"Unit\"\r\n";
    QTest::newRow("missing file") << QByteArray() << u"Open"_s;
    QTest::newRow("title only") << title << u"Open"_s;
    QTest::newRow("header cut") << title + "\"ID\",\"Ch 00\"" << u"Open"_s;
    QTest::newRow("header then NUL bytes") << header + QByteArray(1 << 20, '\0') << u"Error"_s;
    QTest::newRow("one huge field") << header + "1," + QByteArray(2 << 20, '5') << u"Error"_s;
}

void tst_FileCommands::openThatFailsLeavesTheTable()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, title);
    Session s;
    const QString path = s.path(u"bad.txt"_s);
    if (!file.isEmpty())
        QVERIFY(writeFile(path, file));
    const QStringList before { s.table().text(0, 1), s.table().text(1, 1), s.table().text(2, 2) };
    s.f.dialogs.answers << QMessageBox::No << QMessageBox::Ok;
    s.f.dialogs.openPaths << path;
    trigger(s.w(), u"mnuFileOpen"_s);
    QCOMPARE(s.f.dialogs.messages.size(), 2);
    QCOMPARE(s.f.dialogs.messages.last().title, title);
    QVERIFY(s.f.dialogs.messages.last().text.contains(path));
    QCOMPARE(s.table().rows(), 3);
    QCOMPARE(s.table().cols(), 4);
    QCOMPARE((QStringList { s.table().text(0, 1), s.table().text(1, 1), s.table().text(2, 2) }),
             before);
    QCOMPARE(s.w().windowTitle(), u"VESTRA-IP"_s);
    QVERIFY(s.w().Unsaved());
    QVERIFY(s.f.command(u"mnuFileNew"_s)->isEnabled()); // the commands are back after the load
}

void tst_FileCommands::openWithoutRowsLeavesStart()
{
    MainWindowFixture f;
    frmMain &w = f.start();
    const QDir dir(f.dir.path());
    const QByteArray title = "\"VESTRA-IP Scanning Pressure Data\"\r\n";
    const QByteArray header = title + "\"ID\",\"Ch 00\",\"Unit\"\r\n";
    struct Case
    {
        QByteArray file;
        bool startAfter;
    };
    // Start is held only once rows from a file are in the table.
    const Case cases[] = { { {}, true },
                           { title, true },
                           { title + "\"ID\"", true },
                           { header, true },
                           { header + "1,2.5,\"kgf/cm2\"\r\n", false } };
    for (const Case &c : cases) {
        const QString path = dir.filePath(u"file.txt"_s);
        QVERIFY(writeFile(path, c.file));
        f.dialogs.answers << QMessageBox::Ok;
        f.dialogs.openPaths << path;
        trigger(w, u"mnuFileOpen"_s);
        QVERIFY2(f.command(u"mnuScanStart"_s)->isEnabled() == c.startAfter, c.file.constData());
    }
}

void tst_FileCommands::exit_data()
{
    QTest::addColumn<bool>("unsaved");
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<QString>("savePath"); // empty: the save dialog is cancelled
    QTest::addColumn<bool>("closes");
    QTest::addColumn<int>("questions");
    QTest::newRow("nothing unsaved") << false << QList<int> {} << QString() << true << 0;
    QTest::newRow("cancel") << true << QList<int> { QMessageBox::Cancel } << QString() << false
                            << 1;
    QTest::newRow("no") << true << QList<int> { QMessageBox::No } << QString() << true << 1;
    QTest::newRow("yes, saved") << true << QList<int> { QMessageBox::Yes } << u"exit.txt"_s << true
                                << 1;
    // A save that was cancelled or failed keeps the window and its results.
    QTest::newRow("yes, dialog cancelled")
        << true << QList<int> { QMessageBox::Yes } << QString() << false << 1;
    QTest::newRow("yes, save failed") << true << QList<int> { QMessageBox::Yes, QMessageBox::Ok }
                                      << u"missing/exit.txt"_s << false << 2;
}

void tst_FileCommands::exit()
{
    QFETCH(bool, unsaved);
    QFETCH(QList<int>, answers);
    QFETCH(QString, savePath);
    QFETCH(bool, closes);
    QFETCH(int, questions);
    Session s;
    if (!unsaved) {
        s.f.dialogs.savePaths << s.path(u"first.txt"_s);
        trigger(s.w(), u"mnuFileSave"_s);
    }
    for (int answer : answers)
        s.f.dialogs.answers << QMessageBox::StandardButton(answer);
    if (!savePath.isEmpty())
        s.f.dialogs.savePaths << s.path(savePath);
    s.f.find<QAction>(u"mnuFileExit"_s)->trigger();
    QCOMPARE(s.w().isVisible(), !closes);
    QCOMPARE(s.f.dialogs.messages.size(), questions);
    if (savePath == u"exit.txt"_s)
        QVERIFY(QFile::exists(s.path(savePath)));
    if (!closes)
        QCOMPARE(s.table().rows(), 3);
}

void tst_FileCommands::saveDialogAddsTheFilterSuffix_data()
{
    QTest::addColumn<bool>("allFiles");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("text file") << false << u"run1"_s << u"run1.txt"_s;
    QTest::newRow("all files: as typed") << true << u"run1"_s << u"run1"_s;
    QTest::newRow("own suffix") << false << u"run1.dat"_s << u"run1.dat"_s;
}

void tst_FileCommands::saveDialogAddsTheFilterSuffix()
{
    QFETCH(bool, allFiles);
    QFETCH(QString, typed);
    QFETCH(QString, chosen);
    QTemporaryDir dir;
    QtDialogs dialogs;
    bool typedIn = false;
    QTimer::singleShot(0, this, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        dialog->setDirectory(dir.path());
        if (allFiles)
            QTest::keyClick(dialog->findChild<QComboBox *>(u"fileTypeCombo"_s), Qt::Key_Down);
        auto *name = dialog->findChild<QLineEdit *>(u"fileNameEdit"_s);
        name->setText(typed);
        typedIn = true;
        QTest::keyClick(name, Qt::Key_Return);
    });
    // A dialog that stays open would otherwise hang the test.
    QTimer safety;
    safety.setSingleShot(true);
    connect(&safety, &QTimer::timeout, this, [] {
        if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    safety.start(5000);
    const QString path = dialogs.saveFileName(u"Save"_s, u"Text File (*.txt);;All File (*)"_s);
    QVERIFY(typedIn);
    QCOMPARE(path, QDir(dir.path()).filePath(chosen));
}

void tst_FileCommands::eachCommandStartsAtItsOwnFile_data()
{
    QTest::addColumn<QString>("commandsLast");
    QTest::addColumn<QString>("anyLast");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<bool>("save");
    QTest::addColumn<QString>("start");
    const QString text = u"Text File (*.txt);;All File (*)"_s;
    QTest::newRow("nothing chosen yet") << QString() << QString() << text << true << QString();
    QTest::newRow("save after a trend export")
        << QString() << u"/lab/plots/trend.png"_s << text << true << u"/lab/plots/trend.txt"_s;
    QTest::newRow("csv export after a save")
        << QString() << u"/lab/run1.txt"_s << u"CSV file (*.csv)"_s << true << u"/lab/run1.csv"_s;
    QTest::newRow("the command's own file wins")
        << u"/lab/csv/run0.csv"_s << u"/lab/run1.txt"_s << u"CSV file (*.csv)"_s << true
        << u"/lab/csv/run0.csv"_s;
    QTest::newRow("open starts in the last folder")
        << QString() << u"/lab/plots/trend.png"_s << text << false << u"/lab/plots"_s;
}

void tst_FileCommands::eachCommandStartsAtItsOwnFile()
{
    QFETCH(QString, commandsLast);
    QFETCH(QString, anyLast);
    QFETCH(QString, filter);
    QFETCH(bool, save);
    QFETCH(QString, start);
    QCOMPARE(QtDialogs::startPath(commandsLast, anyLast, filter, save), start);
}

void tst_FileCommands::nameWithoutSuffixUnderTextFilter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<int>("answer"); // to the replace question; 0: none expected
    QTest::addColumn<QString>("written"); // empty: nothing saved
    const QString text = u"Text File (*.txt)"_s;
    const QString all = u"All File (*)"_s;
    QTest::newRow("text file") << text << false << 0 << u"run2.txt"_s;
    QTest::newRow("all files") << all << false << 0 << u"run2"_s;
    QTest::newRow("replace") << text << true << int(QMessageBox::Yes) << u"run2.txt"_s;
    // No goes back to the dialog, which is then cancelled.
    QTest::newRow("keep") << text << true << int(QMessageBox::No) << QString();
}

// Where the save dialog does not add the suffix itself, the command does, and
// asks before that name replaces a file the dialog did not ask about.
void tst_FileCommands::nameWithoutSuffixUnderTextFilter()
{
    QFETCH(QString, filter);
    QFETCH(bool, exists);
    QFETCH(int, answer);
    QFETCH(QString, written);
    Session s;
    if (exists)
        QVERIFY(writeFile(s.path(u"run2.txt"_s), "previous results\r\n"));
    s.f.dialogs.savePaths << s.path(u"run2"_s);
    s.f.dialogs.saveFilters << filter;
    if (answer)
        s.f.dialogs.answers << QMessageBox::StandardButton(answer);
    trigger(s.w(), u"mnuFileSave"_s);
    QCOMPARE(s.f.dialogs.messages.size(), answer ? 1 : 0);
    QCOMPARE(s.w().Unsaved(), written.isEmpty());
    if (!written.isEmpty())
        QVERIFY(readAll(s.path(written)).startsWith("\"VESTRA-IP Scanning Pressure Data\""));
    if (written != u"run2"_s)
        QVERIFY(!QFile::exists(s.path(u"run2"_s)));
    if (written.isEmpty())
        QCOMPARE(readAll(s.path(u"run2.txt"_s)), QByteArray("previous results\r\n"));
}

void tst_FileCommands::openRecent()
{
    Session s;
    const QString a = s.path(u"a.txt"_s);
    const QString b = s.path(u"b.txt"_s);
    s.f.dialogs.savePaths << a << b;
    trigger(s.w(), u"mnuFileSave"_s);
    trigger(s.w(), u"mnuFileSave"_s);
    auto *menu = s.f.find<QMenu>(u"mnuFileRecent"_s);
    auto listed = [menu] {
        QStringList paths;
        for (const QAction *item : menu->actions())
            paths << item->data().toString();
        return paths;
    };
    QCOMPARE(listed(), (QStringList { b, a }));

    // A file gone since is dropped when chosen, with a note, and nothing asked.
    QVERIFY(QFile::remove(a));
    menu->actions().at(1)->trigger();
    QVERIFY2(s.w().statusBar()->toolTip().contains(a), qPrintable(s.w().statusBar()->toolTip()));
    QCOMPARE(listed(), QStringList { b });
    QCOMPARE(RecentFiles(*s.f.settings).paths(), QStringList { b });
    QVERIFY(s.f.dialogs.messages.isEmpty());

    trigger(s.w(), u"mnuFileNew"_s);
    menu->actions().at(0)->trigger();
    QCOMPARE(s.w().windowTitle(), u"VESTRA-IP -[Data  b]"_s);
    QCOMPARE(s.table().rows(), 3);
    QVERIFY(!s.f.command(u"mnuScanStart"_s)->isEnabled());
}

void tst_FileCommands::droppedFileOpensAfterSaveQuestion_data()
{
    QTest::addColumn<int>("files");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("opened");
    QTest::newRow("no") << 1 << int(QMessageBox::No) << true;
    QTest::newRow("cancel") << 1 << int(QMessageBox::Cancel) << false;
    QTest::newRow("two files: refused") << 2 << 0 << false;
}

void tst_FileCommands::droppedFileOpensAfterSaveQuestion()
{
    QFETCH(int, files);
    QFETCH(int, answer);
    QFETCH(bool, opened);
    Session s;
    const QString path = s.path(u"dropped.txt"_s);
    QVERIFY(writeFile(path,
                      "\"VESTRA-IP Scanning Pressure Data\"\r\n\"ID\",\"Ch 00\",\"Unit\"\r\n"
                      "1,2.5,\"kgf/cm2\"\r\n"));
    QMimeData mime;
    mime.setUrls(QList<QUrl>(files, QUrl::fromLocalFile(path)));
    if (answer)
        s.f.dialogs.answers << QMessageBox::StandardButton(answer);

    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    enter.setAccepted(false);
    QApplication::sendEvent(&s.w(), &enter);
    QCOMPARE(enter.isAccepted(), answer != 0);
    if (enter.isAccepted()) {
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&s.w(), &drop);
        QVERIFY(drop.isAccepted());
        // Asked only once the drop is over.
        QVERIFY(s.f.dialogs.messages.isEmpty());
        QTRY_COMPARE(s.f.dialogs.messages.size(), 1);
        QCOMPARE(s.f.dialogs.messages.first().text, u"Will you save previous results?"_s);
    }
    QCOMPARE(s.table().rows(), opened ? 2 : 3);
    QCOMPARE(s.w().windowTitle() == u"VESTRA-IP -[Data  dropped]"_s, opened);
}

QTEST_MAIN(tst_FileCommands)
#include "tst_filecommands.moc"

void tst_FileCommands::closeOrCancelDuringALoad_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::newRow("close box") << false;
    QTest::newRow("cancel") << true;
}

void tst_FileCommands::closeOrCancelDuringALoad()
{
    QFETCH(bool, cancel);
    Session s;
    const QString path = s.path(u"long.txt"_s);
    QByteArray file = "\"VESTRA-IP Scanning Pressure Data\"\r\n\"ID\",\"Ch 00\",\"Unit\"\r\n";
    for (int row = 1; row <= 200000; ++row)
        file += QByteArray::number(row) + ",1.5,\"kgf/cm2\"\r\n";
    QVERIFY(writeFile(path, file));
    s.f.dialogs.answers << QMessageBox::No;
    s.f.dialogs.openPaths << path;
    // Runs inside the load, at its first look at the event loop.
    bool heldOff = false;
    QTimer::singleShot(0, &s.w(), [&] {
        if (cancel) {
            if (auto *progress = s.w().findChild<QProgressDialog *>(u"dlgLoadProgress"_s))
                progress->cancel();
            return;
        }
        s.w().close();
        heldOff = s.w().isVisible();
    });
    trigger(s.w(), u"mnuFileOpen"_s);
    QVERIFY(s.w().isVisible());
    if (cancel) {
        // The table is exactly as it was before Open.
        QCOMPARE(s.table().rows(), 3);
        QVERIFY(s.w().Unsaved());
        return;
    }
    QVERIFY(heldOff);
    QCOMPARE(s.table().rows(), 200001);
}
