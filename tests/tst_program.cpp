#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

// The program as packagers and scripts run it: without a display.
class tst_Program : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void infoWithoutDisplay_data();
    void infoWithoutDisplay();
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

QTEST_GUILESS_MAIN(tst_Program)
#include "tst_program.moc"
