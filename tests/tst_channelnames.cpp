#include "ChannelNames.h"
#include "GridLayout.h"
#include "MemorySettings.h"
#include "ResultTable.h"

#include <QTest>

using namespace Qt::StringLiterals;

class tst_ChannelNames : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void outsideTextIsCleaned_data();
    void outsideTextIsCleaned();
    void tipsShowMarkupAsTyped();
    void namesFile_data();
    void namesFile();
    void keptInSettingsAndRecordText();
};

void tst_ChannelNames::outsideTextIsCleaned_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("clean");
    QTest::newRow("plain") << u"Inlet static"_s << 64 << u"Inlet static"_s;
    QTest::newRow("controls and line breaks")
        << u"\tIn\x1b[31mlet\r\nstatic\x7f "_s << 64 << u"In [31mlet static"_s;
    // A direction override would make the text after it read backwards.
    QTest::newRow("direction override") << u"ab\u202Ecd\u2066e"_s << 64 << u"ab cd e"_s;
    QTest::newRow("cut at the limit") << u"abcdefgh"_s << 5 << u"abcde"_s;
    // Half a surrogate pair is not a character.
    QTest::newRow("cut before a pair") << u"abcd\U0001F600"_s << 5 << u"abcd"_s;
    QTest::newRow("lone surrogate") << QString(QChar(0xd800)) + u"x"_s << 5 << u"\uFFFDx"_s;
    QTest::newRow("only white space") << u" \t\n "_s << 64 << QString();
}

void tst_ChannelNames::outsideTextIsCleaned()
{
    QFETCH(QString, text);
    QFETCH(int, limit);
    QFETCH(QString, clean);
    QCOMPARE(ChannelNames::cleanText(text, limit), clean);
}

void tst_ChannelNames::tipsShowMarkupAsTyped()
{
    ChannelNames names;
    names.set(3, u"<img src=\"/etc/x\">Inlet"_s, u"a & b"_s);
    const QString tip = names.toolTip(3);
    QVERIFY2(!tip.contains(u"<img"_s) && tip.contains(u"&lt;img"_s), qPrintable(tip));
    QVERIFY(tip.contains(u"a &amp; b"_s));
    QVERIFY(names.toolTip(4).isEmpty());
    QCOMPARE(names.label(4), u"Ch 04"_s);
    QCOMPARE(names.label(3, 6), u"Ch 03 <img \u2026"_s);

    // The grid's column header takes the table's names as its tip; the label
    // itself, which result files write, stays.
    ResultTable table;
    table.setLayout(gridLayoutFor(2, 3));
    table.setChannelNames(names);
    QCOMPARE(table.headerData(2, Qt::Horizontal).toString(), u"Ch 03"_s);
    QCOMPARE(table.headerData(2, Qt::Horizontal, Qt::ToolTipRole).toString(), tip);
    QVERIFY(table.headerData(1, Qt::Horizontal, Qt::ToolTipRole).isNull());
    QVERIFY(table.headerData(0, Qt::Horizontal, Qt::ToolTipRole).isNull());
}

void tst_ChannelNames::namesFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("named"); // "3=name|note;..." or the error's start
    QTest::addColumn<bool>("ok");
    const auto good = [](const char *row, const QByteArray &file, const QString &named) {
        QTest::newRow(row) << file << named << true;
    };
    const auto bad = [](const char *row, const QByteArray &file, const QString &error) {
        QTest::newRow(row) << file << error << false;
    };
    good("header, quotes, comment, blank",
         "channel,name,note\n3,Inlet static,\"taps 1, 2 \"\"A\"\"\"\n# off\n\n12,Exit\n",
         u"3=Inlet static|taps 1, 2 \"A\";12=Exit|"_s);
    good("spreadsheet tabs, BOM, CRLF",
         "\xEF\xBB\xBF"
         "Ch 03\tInlet\tnote\r\n5\tOut\t\t\r\n",
         u"3=Inlet|note;5=Out|"_s);
    good("empty file", "", QString());
    bad("channel 100", "100,x\n", u"line 1: \"100\" is not a channel"_s);
    bad("not a number", "# c\nthree,x\n", u"line 2: \"three\" is not a channel"_s);
    bad("named twice", "3,a\n3,b\n", u"line 2: channel 3 is named twice"_s);
    bad("quote left open", "3,\"a\n", u"line 1: a quoted field is not closed"_s);
    bad("four fields", "3,a,b,c\n", u"line 1: more than three fields"_s);
    bad("not UTF-8", "3,\xff\xfe\n", u"the file is not UTF-8 text"_s);
    bad("too large", QByteArray(ChannelNames::kMaxFileSize + 1, ' '), u"the file is larger"_s);
}

void tst_ChannelNames::namesFile()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, named);
    QFETCH(bool, ok);
    QString error;
    const std::optional<ChannelNames> names = ChannelNames::fromCsv(file, &error);
    QCOMPARE(names.has_value(), ok);
    if (!ok) {
        QVERIFY2(error.startsWith(named), qPrintable(error));
        return;
    }
    QStringList entries;
    for (auto it = names->entries().cbegin(); it != names->entries().cend(); ++it)
        entries << u"%1=%2|%3"_s.arg(it.key()).arg(it->name, it->note);
    QCOMPARE(entries.join(u';'), named);
}

void tst_ChannelNames::keptInSettingsAndRecordText()
{
    ChannelNames names;
    names.set(0, u"Inlet"_s, {});
    names.set(99, {}, u"spare, \"cold\""_s);
    MemorySettings settings;
    QVERIFY(names.save(settings));
    ChannelNames loaded;
    loaded.load(settings);
    QCOMPARE(loaded, names);
    // A name taken away must not come back from what was stored before.
    names.set(0, {}, {});
    QVERIFY(names.save(settings));
    loaded.load(settings);
    QCOMPARE(loaded, names);

    QCOMPARE(ChannelNames::fromJson(names.toJson()), names);
    // The record's text comes from a file that may be damaged or foreign:
    // whatever it holds is cleaned, and what is no channel is left out.
    const ChannelNames read = ChannelNames::fromJson(
        u"{\"3\":{\"name\":\"a\\u0000b\\u202e\"},\"500\":{\"name\":\"x\"},\"x\":1,\"4\":7}"_s);
    QCOMPARE(read.entries().keys(), QList<int> { 3 });
    QCOMPARE(read.name(3), u"a b"_s);
    QVERIFY(ChannelNames::fromJson(u"[1,2]"_s).isEmpty());
    QVERIFY(ChannelNames::fromJson(u"not json"_s).isEmpty());
}

QTEST_GUILESS_MAIN(tst_ChannelNames)
#include "tst_channelnames.moc"
