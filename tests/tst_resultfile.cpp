#include "NumberField.h"
#include "ResultFileReader.h"
#include "ResultFileWriter.h"
#include "ResultTable.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#ifdef Q_OS_LINUX
#include <unistd.h>
#endif
#include <random>
#include <string>

using namespace Qt::StringLiterals;

using Outcome = ResultFileReader::Outcome;
using Rows = QList<QStringList>;

namespace {

const QByteArray kTitleLine = "\"VESTRA-IP Scanning Pressure Data\"\r\n"_ba;

// The table as rows of texts, the label row first.
Rows contents(const ResultTable &table)
{
    Rows rows;
    for (int r = 0; r < table.rows(); ++r) {
        QStringList row;
        for (int c = 0; c < table.cols(); ++c)
            row << table.text(r, c);
        rows << row;
    }
    return rows;
}

void fill(ResultTable &table, const Rows &rows)
{
    table.setRows(1);
    table.setCols(int(rows.value(0).size()));
    table.setRows(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows.at(r).size(); ++c)
            table.setText(r, c, rows.at(r).at(c));
    }
}

QByteArray written(const ResultTable &table, bool *ok = nullptr)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ResultFileWriter writer;
    const bool done = writer.write(&buffer, table);
    if (ok)
        *ok = done;
    return buffer.data();
}

Outcome readBytes(const QByteArray &bytes, ResultTable &table, qsizetype pieceSize = 4 << 20)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    ResultFileReader reader(table);
    reader.setPieceSize(pieceSize);
    return reader.read(&buffer);
}

QByteArray fileBytes(const QString &name)
{
    QFile file(qEnvironmentVariable("ROZIVODA_TEST_DATA") + u'/' + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const Rows kWorkedExample = {
    { u"ID"_s, u"Ch 00"_s, u"Ch 01"_s, u"Unit"_s },
    { u"1"_s, u"1.234"_s, u"12.5"_s, u"kgf/cm2"_s },
    { u"2"_s, u"1.236"_s, u"12.51"_s, u"kgf/cm2"_s },
};

// A device that takes budget bytes and then fails, as a full disk does.
class FullDevice : public QIODevice
{
public:
    explicit FullDevice(qint64 budget) : m_budget(budget) { }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64 length) override
    {
        if (length > m_budget) {
            setErrorString(u"No space left on device"_s);
            return -1;
        }
        m_budget -= length;
        return length;
    }

private:
    qint64 m_budget;
};

} // namespace

class tst_ResultFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void workedExampleByteForByte();
    void numbersWritten_data();
    void numbersWritten();
    void writtenFormIsKeptOnlyWhenFormattingWouldKeepIt();
    void numbersRead_data();
    void numbersRead();
    void fieldsCountedNotLines_data();
    void fieldsCountedNotLines();
    void headerEndsAtUnitLabel_data();
    void headerEndsAtUnitLabel();
    void outcomes_data();
    void outcomes();
    void corruptOrCancelledLoadLeavesTheTable_data();
    void corruptOrCancelledLoadLeavesTheTable();
    void encodings_data();
    void encodings();
    void koreanTextWrittenInCodePage949();
    void roundTrips_data();
    void roundTrips();
    void fieldsSplitAcrossPieces();
    void unstorableCellsAreWrittenAsNearAsPossible_data();
    void unstorableCellsAreWrittenAsNearAsPossible();
    void failedSaveKeepsOldFile_data();
    void failedSaveKeepsOldFile();
    void fullDiskReported_data();
    void fullDiskReported();
    void fullFilesystemKeepsTheEarlierFile();
    void progressReachesTheEnd();
};

void tst_ResultFile::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::German)); // "," as decimal mark must not leak in
}

void tst_ResultFile::workedExampleByteForByte()
{
    const QByteArray golden = fileBytes(u"resultfile-worked-example.txt"_s);
    QVERIFY(!golden.isEmpty());
    ResultTable table;
    fill(table, kWorkedExample);
    QCOMPARE(written(table), golden);

    ResultTable read;
    read.setLayout(gridLayoutFor(3, 7));
    read.setRows(5);
    QCOMPARE(readBytes(golden, read), Outcome::Loaded);
    QCOMPARE(contents(read), kWorkedExample);
}

void tst_ResultFile::numbersWritten_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QByteArray>("field");
    QTest::newRow("empty cell") << QString() << "0"_ba;
    QTest::newRow("blanks around") << u" 1.5 "_s << "1.5"_ba;
    QTest::newRow("unit after number") << u"12.5kgf"_s << "12.5"_ba;
    QTest::newRow("no number") << u"abc"_s << "0"_ba;
    QTest::newRow("more than 7 digits") << u"1.23456789"_s << "1.234568"_ba;
    QTest::newRow("trailing zeros") << u"1.50"_s << "1.5"_ba;
    QTest::newRow("whole number") << u"2.0"_s << "2"_ba;
    QTest::newRow("below one") << u".5"_s << "0.5"_ba;
    QTest::newRow("negative small") << u"-0.01234"_s << "-0.01234"_ba;
    QTest::newRow("negative zero") << u"-0"_s << "0"_ba;
    QTest::newRow("tiny") << u"0.00001"_s << "1E-05"_ba;
    QTest::newRow("large") << u"12345678"_s << "1.234568E+07"_ba;
    QTest::newRow("largest plain") << u"9999999"_s << "9999999"_ba;
    QTest::newRow("exponent in") << u"1.5e3"_s << "1500"_ba;
    QTest::newRow("Korean text") << u"\uAE30\uC555"_s << "0"_ba;
    QTest::newRow("long pooled text") << u"  1234.5678 kgf/cm2"_s << "1234.568"_ba;
}

void tst_ResultFile::numbersWritten()
{
    QFETCH(QString, cell);
    QFETCH(QByteArray, field);
    ResultTable table;
    fill(table, { { u"ID"_s, u"Ch 00"_s, u"Unit"_s }, { u"1"_s, cell, u"kgf/cm2"_s } });
    QCOMPARE(written(table).split('\n').value(2), "1,"_ba + field + ",\"kgf/cm2\"\r"_ba);
}

void tst_ResultFile::writtenFormIsKeptOnlyWhenFormattingWouldKeepIt()
{
    // The reader keeps a field's text when isWrittenForm says formatting would
    // give it back unchanged: check that claim on many short decimals.
    std::mt19937 random(11);
    int kept = 0;
    for (int i = 0; i < 200000; ++i) {
        std::string text;
        if (random() % 4 == 0)
            text += '-';
        const int integerDigits = int(random() % 8);
        for (int d = 0; d < std::max(integerDigits, 1); ++d)
            text += char('0' + (d == 0 && integerDigits > 1 ? 1 + random() % 9 : random() % 10));
        if (random() % 3 != 0) {
            text += '.';
            for (int d = int(random() % 8); d >= 0; --d)
                text += char('0' + random() % 10);
        }
        char out[NumberField::kMaxTextLength];
        std::size_t length = 0;
        QCOMPARE(NumberField::formatNumber(text.data(), text.data() + text.size(), out, &length),
                 NumberField::Outcome::Ok);
        const bool same = std::string(out, length) == text;
        if (NumberField::isWrittenForm(text.data(), text.data() + text.size())) {
            QVERIFY2(same, text.c_str());
            ++kept;
        }
    }
    QVERIFY(kept > 10000);
    for (const char *odd : { "-0", "0.0", "1.50", ".5", "+1", "1e5", " 1", "0.00001", "1234567" })
        QVERIFY2(!NumberField::isWrittenForm(odd, odd + std::strlen(odd)), odd);
}

void tst_ResultFile::numbersRead_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QString>("cell");
    QTest::newRow("tenth") << "0.1"_ba << u"0.1"_s;
    QTest::newRow("no leading zero") << ".5"_ba << u"0.5"_s;
    QTest::newRow("negative without zero") << "-.25"_ba << u"-0.25"_s;
    QTest::newRow("rounded to 7 digits") << "1.23456789"_ba << u"1.234568"_s;
    QTest::newRow("exponent form") << "1E-05"_ba << u"1E-05"_s;
    QTest::newRow("lower-case exponent") << "1e-5"_ba << u"1E-05"_s;
    QTest::newRow("plain where exponent fits") << "1.5E+03"_ba << u"1500"_s;
    QTest::newRow("plus sign and zeros") << "+2.50"_ba << u"2.5"_s;
    QTest::newRow("blanks around") << "  3  "_ba << u"3"_s;
    QTest::newRow("not a number") << "abc"_ba << u"0"_s;
    QTest::newRow("quoted where number is due") << "\"12\""_ba << u"0"_s;
    QTest::newRow("empty") << ""_ba << u"0"_s;
    QTest::newRow("beyond single precision kept as written") << " 1e39 "_ba << u"1e39"_s;
}

void tst_ResultFile::numbersRead()
{
    QFETCH(QByteArray, field);
    QFETCH(QString, cell);
    ResultTable table;
    const QByteArray file
        = kTitleLine + "\"ID\",\"Ch 00\",\"Unit\"\r\n1,"_ba + field + ",\"u\"\r\n"_ba;
    QCOMPARE(readBytes(file, table), Outcome::Loaded);
    QCOMPARE(table.rows(), 2);
    QCOMPARE(table.text(1, 1), cell);
}

void tst_ResultFile::fieldsCountedNotLines_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<Rows>("rows");
    const QStringList header { u"ID"_s, u"Ch 00"_s, u"Unit"_s };
    QTest::newRow("one field too many shifts into the next row")
        << "1,2,3,\"u\"\r\n2,5,\"v\"\r\n"_ba
        << Rows {
               header, { u"1"_s, u"2"_s, u"3"_s }, { u"0"_s, u"2"_s, u"5"_s }, { u"0"_s, {}, {} }
           };
    QTest::newRow("file cut after an ID")
        << "1,2,\"u\"\r\n2"_ba << Rows { header, { u"1"_s, u"2"_s, u"u"_s }, { u"2"_s, {}, {} } };
    QTest::newRow("lone CR and lone LF end fields")
        << "1\r2\n\"u\"\n2,3,\"v\""_ba
        << Rows { header, { u"1"_s, u"2"_s, u"u"_s }, { u"2"_s, u"3"_s, u"v"_s } };
    QTest::newRow("comma and line end inside quotes")
        << "1,2,\"kgf,\r\ncm2\"\r\n"_ba << Rows { header, { u"1"_s, u"2"_s, u"kgf,\r\ncm2"_s } };
    QTest::newRow("text after closing quote dropped")
        << "1,2,\"u\"junk\r\n2,3,\"v\"\r\n"_ba
        << Rows { header, { u"1"_s, u"2"_s, u"u"_s }, { u"2"_s, u"3"_s, u"v"_s } };
    QTest::newRow("unquoted string trimmed, blanks and tabs skipped")
        << " \t1,\t2 ,  kgf/cm2  \r\n"_ba << Rows { header, { u"1"_s, u"2"_s, u"kgf/cm2"_s } };
    QTest::newRow("quote never closed takes the rest")
        << "1,2,\"u\r\n3,4"_ba << Rows { header, { u"1"_s, u"2"_s, u"u\r\n3,4"_s } };
    QTest::newRow("blank line is an empty field")
        << "1,2,\"u\"\r\n\r\n2,3,\"v\"\r\n"_ba
        << Rows {
               header, { u"1"_s, u"2"_s, u"u"_s }, { u"0"_s, u"2"_s, u"3"_s }, { u"0"_s, {}, {} }
           };
}

void tst_ResultFile::fieldsCountedNotLines()
{
    QFETCH(QByteArray, data);
    QFETCH(Rows, rows);
    ResultTable table;
    QCOMPARE(readBytes(kTitleLine + "\"ID\",\"Ch 00\",\"Unit\"\r\n"_ba + data, table),
             Outcome::Loaded);
    QCOMPARE(contents(table), rows);
}

void tst_ResultFile::headerEndsAtUnitLabel_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<int>("columns");
    QTest::addColumn<QString>("lastLabel");
    QTest::newRow("Unit as field 1") << "\"ID\",\"Unit\"\r\n"_ba << 2 << u"Unit"_s;
    QTest::newRow("Korean unit label")
        << "\"ID\",\"Ch 01\",\"\xB4\xDC\xC0\xA7\"\r\n"_ba << 3 << u"\uB2E8\uC704"_s;
    QTest::newRow("Unit as the first field") << "\"Unit\"\r\n"_ba << 1 << u"Unit"_s;
    QByteArray wide = "\"ID\""_ba;
    for (int i = 1; i <= 100; ++i)
        wide += ",\"Ch " + QByteArray::number(i) + '"';
    QTest::newRow("100 channels") << wide + ",\"Unit\"\r\n"_ba << 102 << u"Unit"_s;
    QTest::newRow("lower-case unit is no label") << wide + ",\"unit\"\r\n"_ba << 102 << u"unit"_s;
}

void tst_ResultFile::headerEndsAtUnitLabel()
{
    QFETCH(QByteArray, header);
    QFETCH(int, columns);
    QFETCH(QString, lastLabel);
    ResultTable table;
    QCOMPARE(readBytes(kTitleLine + header, table), Outcome::Loaded);
    QCOMPARE(table.cols(), columns);
    QCOMPARE(table.rows(), 1);
    QCOMPARE(table.text(0, columns - 1), lastLabel);
}

void tst_ResultFile::outcomes_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<bool>("untouched");
    QTest::addColumn<int>("columns");
    QTest::newRow("empty file") << QByteArray() << Outcome::Failed << true << 0;
    QTest::newRow("only blanks") << " \t "_ba << Outcome::Failed << true << 0;
    QTest::newRow("title in other case")
        << "\"VESTRA-IP scanning pressure data\"\r\n"_ba << Outcome::Rejected << true << 0;
    QTest::newRow("blank inside the quotes")
        << "\" VESTRA-IP Scanning Pressure Data\"\r\n"_ba << Outcome::Rejected << true << 0;
    QTest::newRow("other text file") << "hello,world\r\n"_ba << Outcome::Rejected << true << 0;
    QTest::newRow("title only") << kTitleLine << Outcome::Failed << true << 0;
    QTest::newRow("unquoted title")
        << "VESTRA-IP Scanning Pressure Data\r\n\"Unit\"\r\n"_ba << Outcome::Loaded << false << 1;
    QTest::newRow("header cut before its unit label")
        << kTitleLine + "\"ID\",\"Ch 00\""_ba << Outcome::Failed << true << 0;
}

void tst_ResultFile::outcomes()
{
    QFETCH(QByteArray, file);
    QFETCH(Outcome, outcome);
    QFETCH(bool, untouched);
    QFETCH(int, columns);
    ResultTable table;
    fill(table, kWorkedExample);
    QCOMPARE(readBytes(file, table), outcome);
    if (untouched) {
        QCOMPARE(contents(table), kWorkedExample);
        return;
    }
    QCOMPARE(table.rows(), 1);
    QCOMPARE(table.cols(), columns);
}

void tst_ResultFile::corruptOrCancelledLoadLeavesTheTable_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("cancelAtCall"); // 0: never
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<QString>("why");
    const QByteArray header = kTitleLine + "\"ID\",\"Ch 01\",\"Unit\"\r\n"_ba;
    QTest::newRow("one huge field") << header + "1," + QByteArray(3 << 20, '7') << 0
                                    << Outcome::Rejected << u"longer than 4096 bytes"_s;
    QTest::newRow("huge unclosed quote at the end")
        << header + "1,2,\"" + QByteArray(5000, 'x') << 0 << Outcome::Rejected << u"longer than"_s;
    QTest::newRow("header then NUL bytes")
        << header + QByteArray(3 << 20, '\0') << 0 << Outcome::Rejected
        << u"NUL byte at byte %1"_s.arg(header.size());
    QTest::newRow("NUL inside a row")
        << header + "1,2,\"kgf\0\"\r\n"_ba << 0 << Outcome::Rejected << u"NUL byte"_s;
    QByteArray rows = header;
    for (int r = 1; r <= 20000; ++r)
        rows += QByteArray::number(r) + ",1.5,\"kgf/cm2\"\r\n";
    // The last call comes once the whole file is read: a cancel there still
    // leaves the table.
    QTest::newRow("cancelled") << rows << 2 << Outcome::Cancelled << u"cancelled"_s;
}

void tst_ResultFile::corruptOrCancelledLoadLeavesTheTable()
{
    QFETCH(QByteArray, file);
    QFETCH(int, cancelAtCall);
    QFETCH(Outcome, outcome);
    QFETCH(QString, why);
    ResultTable table;
    fill(table, kWorkedExample);
    QBuffer buffer;
    buffer.setData(file);
    buffer.open(QIODevice::ReadOnly);
    ResultFileReader reader(table);
    reader.setPieceSize(64 << 10);
    int calls = 0;
    reader.setProgressHandler([&](qint64, qint64) { return ++calls != cancelAtCall; });
    QCOMPARE(reader.read(&buffer), outcome);
    QVERIFY2(reader.errorString().contains(why), qPrintable(reader.errorString()));
    QCOMPARE(contents(table), kWorkedExample);
    QVERIFY(calls >= 1); // the window hears of the load from its start
}

void tst_ResultFile::encodings_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("code page 949") << fileBytes(u"resultfile-cp949.txt"_s);
    QTest::newRow("UTF-8 with byte-order mark") << fileBytes(u"resultfile-utf8-bom.txt"_s);
    QTest::newRow("UTF-8 without byte-order mark")
        << fileBytes(u"resultfile-utf8-bom.txt"_s).mid(3);
}

void tst_ResultFile::encodings()
{
    QFETCH(QByteArray, file);
    QVERIFY(file.size() > 20);
    ResultTable table;
    QCOMPARE(readBytes(file, table), Outcome::Loaded);
    const Rows expected { { u"ID"_s, u"Ch 01"_s, u"\uB2E8\uC704"_s },
                          { u"1"_s, u"0.5"_s, u"\uAE30\uC555"_s } };
    QCOMPARE(contents(table), expected);
}

void tst_ResultFile::koreanTextWrittenInCodePage949()
{
    ResultTable table;
    fill(table,
         { { u"ID"_s, u"Ch 01"_s, u"\uB2E8\uC704"_s }, { u"1"_s, u".5"_s, u"\uAE30\uC555"_s } });
    QCOMPARE(written(table), fileBytes(u"resultfile-cp949.txt"_s));
}

void tst_ResultFile::roundTrips_data()
{
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<Rows>("readBack");
    const QStringList header { u"ID"_s, u"Ch 00"_s, u"Unit"_s };
    QTest::newRow("header row only") << Rows { header } << Rows { header };
    QTest::newRow("half-filled row, unit with comma, number-like label")
        << Rows { { u"ID"_s, u"12"_s, u"Unit"_s },
                  { u"1"_s, u"1.50"_s, u"a,b"_s },
                  { u"2"_s, {}, {} } }
        << Rows { { u"ID"_s, u"12"_s, u"Unit"_s },
                  { u"1"_s, u"1.5"_s, u"a,b"_s },
                  { u"2"_s, u"0"_s, {} } };

    ResultTable wide;
    wide.setLayout(gridLayoutFor(0, 99));
    Rows full { contents(wide).first() };
    for (int r = 1; r <= 3; ++r) {
        QStringList row { QString::number(r) };
        for (int c = 0; c < 100; ++c)
            row << QString::number(-0.01234 * (r * 100 + c), 'g', 7);
        full << (row << u"kgf/cm2"_s);
    }
    QTest::newRow("100 channels") << full << full;
}

void tst_ResultFile::roundTrips()
{
    QFETCH(Rows, rows);
    QFETCH(Rows, readBack);
    ResultTable table;
    fill(table, rows);
    ResultTable read;
    QCOMPARE(readBytes(written(table), read), Outcome::Loaded);
    QCOMPARE(contents(read), readBack);
}

void tst_ResultFile::fieldsSplitAcrossPieces()
{
    QByteArray file = fileBytes(u"resultfile-utf8-bom.txt"_s);
    file += "2,\t.25e1\r"_ba + "\"" + QByteArray(100, 'x')
        + "\"junk\r\n3,1\n\"\xEA\xB8\xB0\"\r\n"_ba;
    ResultTable whole;
    QCOMPARE(readBytes(file, whole), Outcome::Loaded);
    QCOMPARE(whole.rows(), 4);
    for (qsizetype piece = 16; piece <= 40; ++piece) {
        ResultTable pieces;
        QCOMPARE(readBytes(file, pieces, piece), Outcome::Loaded);
        QCOMPARE(contents(pieces), contents(whole));
    }
}

void tst_ResultFile::unstorableCellsAreWrittenAsNearAsPossible_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("beyond single precision") << 1 << u"1e39"_s << "2,3.402823E+38,\"u\""_ba;
    QTest::newRow("negative beyond") << 1 << u" -2E300"_s << "2,-3.402823E+38,\"u\""_ba;
    QTest::newRow("double quote in the unit") << 2 << u"kgf\"cm2"_s << "2,3,\"kgf'cm2\""_ba;
    QTest::newRow("character code page 949 lacks") << 2 << u"\u00A2x"_s << "2,3,\"?x\""_ba;
}

void tst_ResultFile::unstorableCellsAreWrittenAsNearAsPossible()
{
    // One stray reading must never keep a long scan from being saved.
    QFETCH(int, column);
    QFETCH(QString, cell);
    QFETCH(QByteArray, line);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"run.txt"_s);
    ResultTable table;
    fill(table,
         { { u"ID"_s, u"Ch 00"_s, u"Unit"_s },
           { u"1"_s, u"2"_s, u"u"_s },
           { u"2"_s, u"3"_s, u"u"_s } });
    table.setText(2, column, cell);
    ResultFileWriter writer;
    QVERIFY2(writer.write(path, table), qPrintable(writer.errorString()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.value(3), line + '\r');
}

void tst_ResultFile::failedSaveKeepsOldFile_data()
{
    QTest::addColumn<QString>("relativePath");
    QTest::newRow("missing folder") << u"missing/run.txt"_s;
    QTest::newRow("path is a folder") << u"folder"_s;
}

void tst_ResultFile::failedSaveKeepsOldFile()
{
    QFETCH(QString, relativePath);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(u"folder"_s));
    ResultTable table;
    fill(table, kWorkedExample);
    ResultFileWriter writer;
    QVERIFY(!writer.write(dir.filePath(relativePath), table));
    QVERIFY(writer.errorString().contains(relativePath));
    QVERIFY(QFileInfo(dir.filePath(u"folder"_s)).isDir());

    const QString path = dir.filePath(u"saved.txt"_s);
    QVERIFY(writer.write(path, table));
    ResultTable read;
    ResultFileReader reader(read);
    QCOMPARE(reader.read(path), Outcome::Loaded);
    QCOMPARE(contents(read), kWorkedExample);
}

void tst_ResultFile::fullDiskReported_data()
{
    QTest::addColumn<qint64>("budget");
    QTest::newRow("first write") << qint64(0);
    QTest::newRow("last write") << qint64(100);
}

void tst_ResultFile::fullDiskReported()
{
    QFETCH(qint64, budget);
    FullDevice device(budget);
    device.open(QIODevice::WriteOnly);
    ResultTable table;
    fill(table, kWorkedExample);
    ResultFileWriter writer;
    QVERIFY(!writer.write(&device, table));
    QVERIFY(writer.errorString().contains(u"No space left"_s));
}

void tst_ResultFile::fullFilesystemKeepsTheEarlierFile()
{
#ifdef Q_OS_LINUX
    if (::geteuid() != 0)
        QSKIP("Mounting a small filesystem needs root.");
    QTemporaryDir dir;
    const QString mountPoint = dir.filePath(u"full"_s);
    QVERIFY(QDir().mkpath(mountPoint));
    if (QProcess::execute(u"mount"_s,
                          { u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=64k"_s, u"tmpfs"_s, mountPoint })
        != 0)
        QSKIP("A tmpfs cannot be mounted here.");
    const auto unmount = qScopeGuard([&] { QProcess::execute(u"umount"_s, { mountPoint }); });
    const QString path = mountPoint + u"/results.txt"_s;
    QFile earlier(path);
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    QCOMPARE(earlier.write("earlier results\r\n"), 17);
    earlier.close();
    QFile filler(mountPoint + u"/filler"_s);
    QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size()) { }
    filler.close();

    // A table small enough to sit in a write buffer until the end.
    ResultTable table;
    fill(table, kWorkedExample);
    ResultFileWriter writer;
    QVERIFY(!writer.write(path, table));
    QVERIFY2(writer.errorString().contains(path), qPrintable(writer.errorString()));
    QVERIFY2(writer.errorString().contains(u"No space left"_s), qPrintable(writer.errorString()));
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    QCOMPARE(earlier.readAll(), "earlier results\r\n"_ba);
#else
    QSKIP("Mounts a Linux tmpfs.");
#endif
}

void tst_ResultFile::progressReachesTheEnd()
{
    ResultTable table;
    fill(table, kWorkedExample);
    table.setRows(20001);
    for (int r = 1; r < table.rows(); ++r) {
        table.setText(r, 0, QString::number(r));
        table.setText(r, 3, u"kgf/cm2"_s);
    }
    const QByteArray file = written(table);
    QBuffer buffer;
    buffer.setData(file);
    buffer.open(QIODevice::ReadOnly);
    ResultTable read;
    ResultFileReader reader(read);
    qint64 lastDone = -1;
    bool steady = true;
    reader.setProgressHandler([&](qint64 done, qint64 total) {
        steady = steady && done >= lastDone && total == file.size();
        lastDone = done;
        return true;
    });
    QCOMPARE(reader.read(&buffer), Outcome::Loaded);
    QVERIFY(steady);
    QCOMPARE(lastDone, file.size());
    QCOMPARE(read.rows(), 20001);
    QCOMPARE(read.text(20000, 0), u"20000"_s);
    QCOMPARE(read.text(20000, 1), u"0"_s);
}

QTEST_GUILESS_MAIN(tst_ResultFile)
#include "tst_resultfile.moc"
