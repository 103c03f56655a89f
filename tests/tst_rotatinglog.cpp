#include "RotatingLog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The log file: bounded by its rotation, and harmless when it cannot be written.
class tst_RotatingLog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void rotationKeepsTheLogBounded();
    void unwritableLogStopsNothing();
};

void tst_RotatingLog::rotationKeepsTheLogBounded()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"sub/rozivoda.log"_s);
    const qint64 maxBytes = 4096;
    {
        RotatingLog log(path, maxBytes, 3);
        for (int i = 0; i < 2000; ++i)
            QVERIFY(log.append(u"line %1 of the log"_s.arg(i, 6)));
    }
    const QStringList files = QDir(dir.filePath(u"sub"_s)).entryList(QDir::Files, QDir::Name);
    QCOMPARE(files, QStringList({ u"rozivoda.log"_s, u"rozivoda.log.1"_s, u"rozivoda.log.2"_s }));
    for (const QString &name : files)
        QVERIFY(QFileInfo(dir.filePath(u"sub/"_s + name)).size() <= maxBytes);
    // The newest lines are in the file without a number, whole.
    QFile newest(path);
    QVERIFY(newest.open(QIODevice::ReadOnly));
    const QByteArray text = newest.readAll();
    QVERIFY(text.endsWith("line   1999 of the log\n"));
    QFile older(path + u".1"_s);
    QVERIFY(older.open(QIODevice::ReadOnly));
    QVERIFY(older.readAll().startsWith("line "));
}

void tst_RotatingLog::unwritableLogStopsNothing()
{
    QTemporaryDir dir;
    // A file where the log's folder should be.
    QFile blocker(dir.filePath(u"ROZIVODA"_s));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    RotatingLog log(dir.filePath(u"ROZIVODA/rozivoda.log"_s));
    RotatingLog::install(&log, false);
    for (int i = 0; i < 1000; ++i)
        qWarning("nowhere to go %d", i);
    QVERIFY(!log.append(u"still nowhere"_s));
    RotatingLog::uninstall();
}

QTEST_GUILESS_MAIN(tst_RotatingLog)
#include "tst_rotatinglog.moc"
