#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The program as packagers and scripts run it: without a display.
class tst_Program : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void infoWithoutDisplay_data();
    void infoWithoutDisplay();
    void fileOnTheCommandLineIsOpened();
    void mistypedStoreIsReportedAndTheLocalRecordKept();
};

void tst_Program::infoWithoutDisplay_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("--help") << u"--help"_s << u"--demo"_s << 0;
    QTest::newRow("--version") << u"--version"_s << u"ROZIVODA " ROZIVODA_VERSION_TEXT ""_s << 0;
    QTest::newRow("unknown option") << u"--no-such-option"_s << u"no-such-option"_s << 1;
}

void tst_Program::infoWithoutDisplay()
{
    QFETCH(QString, option);
    QFETCH(QString, expected);
    QFETCH(int, exitCode);
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
        env.remove(QString::fromLatin1(name));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(ROZIVODA_BINARY), { option });
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), exitCode);
    const QString output
        = QString::fromUtf8(program.readAllStandardOutput() + program.readAllStandardError());
    QVERIFY2(output.contains(expected), qPrintable(output));
}

// Seen from outside through the settings: a file read whole goes to the top of
// the recent files.
void tst_Program::fileOnTheCommandLineIsOpened()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"run1.txt"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("\"VESTRA-IP Scanning Pressure Data\"\r\n\"ID\",\"Ch 00\",\"Unit\"\r\n"
               "1,2.5,\"kgf/cm2\"\r\n");
    file.close();

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_CONFIG_HOME"_s, dir.path());
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(dir.path());
    program.start(QStringLiteral(ROZIVODA_BINARY), { u"run1.txt"_s });
    QVERIFY(program.waitForStarted(10000));
    const QString settings = dir.filePath(u"ROZIVODA/ROZIVODA.conf"_s);
    QTRY_COMPARE_WITH_TIMEOUT(
        QSettings(settings, QSettings::IniFormat).value(u"Recent/File1"_s).toString(), path, 20000);
    program.terminate();
    QVERIFY(program.waitForFinished(10000));
}

void tst_Program::mistypedStoreIsReportedAndTheLocalRecordKept()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(u"config/ROZIVODA"_s));
    QFile settings(dir.filePath(u"config/ROZIVODA/ROZIVODA.conf"_s));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write("[Record]\nStore=postgre://lab-server/scans\n");
    settings.close();

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_CONFIG_HOME"_s, dir.filePath(u"config"_s));
    env.insert(u"XDG_STATE_HOME"_s, dir.filePath(u"state"_s));
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(ROZIVODA_BINARY), {});
    QVERIFY(program.waitForStarted(10000));
    const auto logged = [&] {
        QFile log(dir.filePath(u"state/ROZIVODA/rozivoda.log"_s));
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
    };
    QTRY_VERIFY_WITH_TIMEOUT(logged().contains(u"\"postgre://lab-server/scans\" is not used"_s),
                             20000);
    QVERIFY(QFileInfo::exists(dir.filePath(u"state/ROZIVODA/scans.sqlite"_s)));
    program.terminate();
    QVERIFY(program.waitForFinished(10000));
}

QTEST_GUILESS_MAIN(tst_Program)
#include "tst_program.moc"
