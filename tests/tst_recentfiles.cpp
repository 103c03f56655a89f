#include "MemorySettings.h"
#include "RecentFiles.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The Open Recent list: newest first, each file once, at most eight, and kept
// in the settings at every change.
class tst_RecentFiles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void order_data();
    void order();
    void keptInTheSettings();
};

void tst_RecentFiles::order_data()
{
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("newest first") << QStringList { u"/d/a"_s, u"/d/b"_s }
                                  << QStringList { u"/d/b"_s, u"/d/a"_s };
    QTest::newRow("again goes to the top, once")
        << QStringList { u"/d/a"_s, u"/d/b"_s, u"/d/a"_s } << QStringList { u"/d/a"_s, u"/d/b"_s };
    QTest::newRow("same file, other spelling")
        << QStringList { u"/d/a"_s, u"/d/x/../a"_s } << QStringList { u"/d/a"_s };
    QStringList ten;
    for (int i = 0; i < 10; ++i)
        ten << u"/d/f%1"_s.arg(i);
    QTest::newRow("eight at most")
        << ten << QStringList { u"/d/f9"_s, u"/d/f8"_s, u"/d/f7"_s, u"/d/f6"_s,
                                u"/d/f5"_s, u"/d/f4"_s, u"/d/f3"_s, u"/d/f2"_s };
}

void tst_RecentFiles::order()
{
    QFETCH(QStringList, added);
    QFETCH(QStringList, listed);
    MemorySettings settings;
    RecentFiles recent(settings);
    for (const QString &path : std::as_const(added))
        QVERIFY(recent.add(path));
    QCOMPARE(recent.paths(), listed);
    QCOMPARE(RecentFiles(settings).paths(), listed);
}

void tst_RecentFiles::keptInTheSettings()
{
    MemorySettings settings;
    {
        RecentFiles recent(settings);
        recent.add(u"/d/a.txt"_s);
        recent.add(u"/d/b.txt"_s);
        recent.add(u"/d/c.txt"_s);
        recent.remove(u"/d/b.txt"_s);
    }
    QCOMPARE(settings.values.value(u"Recent/File1"_s), u"/d/c.txt"_s);
    QCOMPARE(settings.values.value(u"Recent/File2"_s), u"/d/a.txt"_s);
    // A slot left over from a longer list is emptied, not left naming a file.
    QCOMPARE(settings.values.value(u"Recent/File3"_s), QString());
    QVERIFY(!settings.values.contains(u"Recent/File4"_s));
    QCOMPARE(RecentFiles(settings).paths(), (QStringList { u"/d/c.txt"_s, u"/d/a.txt"_s }));
}

QTEST_GUILESS_MAIN(tst_RecentFiles)
#include "tst_recentfiles.moc"
