#include "ScannerProtocol.h"

#include <QTest>

using namespace Qt::StringLiterals;

// Replies as they are collected from the line, and what the host makes of them.
class tst_ReplyParser : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parse_data();
    void parse();
    void terminator_data();
    void terminator();
    void selectCommand_data();
    void selectCommand();
};

void tst_ReplyParser::parse_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<bool>("valueTaken");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("unit");

    QTest::newRow("typical reply")
        << "   -0.01234,kgf/cm2\n\r"_ba << true << u"-0.01234"_s << u"kgf/cm2"_s;
    QTest::newRow("trailing zeros dropped")
        << "     1.5000,kgf/cm2\n\r"_ba << true << u"1.5"_s << u"kgf/cm2"_s;
    QTest::newRow("plus sign and zeros")
        << "   +12.3400,kgf/cm2\n\r"_ba << true << u"12.34"_s << u"kgf/cm2"_s;
    QTest::newRow("whole number") << "      -0001,kgf/cm2\n\r"_ba << true << u"-1"_s
                                  << u"kgf/cm2"_s;
    QTest::newRow("letters read as 0")
        << "        abc,kgf/cm2\n\r"_ba << true << u"0"_s << u"kgf/cm2"_s;
    QTest::newRow("text before the field ignored")
        << "CH05 99     2.2500,kgf/cm2\n\r"_ba << true << u"2.25"_s << u"kgf/cm2"_s;
    QTest::newRow("the older of two replies")
        << "     1.0000,kgf/cm2\n\r     2.0000,bar    \n\r"_ba << true << u"1"_s << u"kgf/cm2"_s;
    QTest::newRow("unit padded with spaces")
        << "     1.5000,bar    \n\r"_ba << true << u"1.5"_s << u"bar"_s;
    QTest::newRow("short unit takes the terminator")
        << "     1.5000,bar\n\r"_ba << true << u"1.5"_s << u"bar\n\r"_s;
    QTest::newRow("unit keeps leading spaces and stops at 7")
        << "     1.5000,  mmHg2O extra\n\r"_ba << true << u"1.5"_s << u"  mmHg2"_s;
    QTest::newRow("only spaces are trimmed from the unit")
        << "     1.5000,bar\t   \n\r"_ba << true << u"1.5"_s << u"bar\t"_s;
    QTest::newRow("comma at position 12: field fits")
        << "00000001.25,kgf/cm2\n\r"_ba << true << u"1.25"_s << u"kgf/cm2"_s;
    QTest::newRow("comma at position 11: no value")
        << "0000001.25,kgf/cm2\n\r"_ba << false << QString() << u"kgf/cm2"_s;
    QTest::newRow("comma first: no value")
        << ",kgf/cm2\n\r"_ba << false << QString() << u"kgf/cm2"_s;
    QTest::newRow("comma last: empty unit") << "     1.5000,"_ba << true << u"1.5"_s << QString();
    QTest::newRow("no comma: last 11 characters")
        << "xx     1.5000\n\r"_ba << true << u"1.5"_s << QString();
    QTest::newRow("no comma, 11 characters") << "  -3.000\n\r\n"_ba << true << u"-3"_s << QString();
    QTest::newRow("no comma, 10 characters: no value")
        << "  -3.00\n\r\n"_ba << false << QString() << QString();
    QTest::newRow("empty buffer") << QByteArray() << false << QString() << QString();
    QTest::newRow("magnitude beyond a double: no value")
        << "      1E999,kgf/cm2\n\r"_ba << false << QString() << u"kgf/cm2"_s;
    QTest::newRow("tiny exponent")
        << "    1.5E-07,kgf/cm2\n\r"_ba << true << u"1.5E-07"_s << u"kgf/cm2"_s;
    QTest::newRow("NUL padding trimmed like spaces")
        << "     1.5000,bar\0\0\0\0\n\r"_ba << true << u"1.5"_s << u"bar"_s;
    QTest::newRow("control characters in the unit become ?") << "     1.5000,k\x1b[2J\x7f"
                                                                "h\n\r"_ba
                                                             << true << u"1.5"_s << u"k?[2J?h"_s;

    // Code page 949: positions count characters, not bytes, and the table is
    // Microsoft's (IBM's turns the backslash into a won sign).
    QTest::newRow("korean unit") << "     1.5000,\xb4\xdc\xc0\xa7\xb4\xdc\xc0\xa7kgf\n\r"_ba << true
                                 << u"1.5"_s << u"단위단위kgf"_s;
    QTest::newRow("korean before the comma counts as characters")
        << "\xb4\xdc\xc0\xa7\xb4\xdc   1.25,kgf/cm2\n\r"_ba << false << QString() << u"kgf/cm2"_s;
    QTest::newRow("korean in the value field")
        << "\xb4\xdc\xc0\xa7     1.25,kgf/cm2\n\r"_ba << true << u"0"_s << u"kgf/cm2"_s;
    QTest::newRow("backslash stays a backslash")
        << "     1.5000,kg\\cm2 \n\r"_ba << true << u"1.5"_s << u"kg\\cm2"_s;
}

void tst_ReplyParser::parse()
{
    QFETCH(QByteArray, buffer);
    QFETCH(bool, valueTaken);
    QFETCH(QString, value);
    QFETCH(QString, unit);

    const ParsedReply reply = parseReply(buffer);
    QCOMPARE(reply.valueTaken, valueTaken);
    QCOMPARE(reply.value, value);
    QCOMPARE(reply.unit, unit);
}

void tst_ReplyParser::terminator_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<bool>("complete");
    QTest::newRow("LF CR") << "     1.5000,kgf/cm2\n\r"_ba << true;
    QTest::newRow("CR LF is not the end") << "     1.5000,kgf/cm2\r\n"_ba << false;
    QTest::newRow("LF alone") << "     1.5000,kgf/cm2\n"_ba << false;
    QTest::newRow("terminator alone") << "\n\r"_ba << true;
    QTest::newRow("one character") << "\r"_ba << false;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("terminator not at the end") << "1,bar\n\rx"_ba << false;
}

void tst_ReplyParser::terminator()
{
    QFETCH(QByteArray, buffer);
    QFETCH(bool, complete);
    QCOMPARE(isCompleteReply(buffer), complete);
}

void tst_ReplyParser::selectCommand_data()
{
    QTest::addColumn<int>("channel");
    QTest::addColumn<QByteArray>("command");
    QTest::newRow("0") << 0 << "V00\r\n"_ba;
    QTest::newRow("9") << 9 << "V09\r\n"_ba;
    QTest::newRow("10") << 10 << "V10\r\n"_ba;
    QTest::newRow("99") << 99 << "V99\r\n"_ba;
}

void tst_ReplyParser::selectCommand()
{
    QFETCH(int, channel);
    QFETCH(QByteArray, command);
    QCOMPARE(::selectCommand(channel), command);
}

QTEST_GUILESS_MAIN(tst_ReplyParser)
#include "tst_replyparser.moc"
