#include "ScannerProtocol.h"

#include "NumberText.h"

#include <QStringDecoder>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype kValueFieldWidth = 11;
constexpr qsizetype kUnitFieldWidth = 7;
// What may follow the comma: the unit, padded (with spaces or NULs) as some
// firmware writes a fixed-width field.
constexpr qsizetype kLongestUnitTail = 16;

// The scanner writes Korean text in Microsoft's code page 949. Qt's "CP949"
// is IBM's table and "EUC-KR" only a subset, so the name must be this one.
// Where the table is missing, Latin-1 keeps one character per byte, which is
// exact for the ASCII replies the scanner actually sends.
QString decodeReply(const QByteArray &buffer)
{
    QStringDecoder decoder("windows-949", QStringDecoder::Flag::Stateless);
    if (!decoder.isValid())
        return QString::fromLatin1(buffer);
    return decoder.decode(buffer);
}

// A unit is text that goes on into the table, the result file, the record and
// the lab's server. A NUL is fixed-width padding from some firmware and no
// text can carry it (a result file holding one is damage), so it reads as a
// space and is trimmed like one. Other control characters would reach a
// terminal or the log as commands: each becomes "?". Tab, LF and CR stay, as
// a short unit has always carried the reply's own terminator.
void sanitiseUnit(QString &unit)
{
    for (QChar &c : unit) {
        const char16_t code = c.unicode();
        if (code == 0)
            c = u' ';
        else if ((code < 0x20 && code != u'\t' && code != u'\n' && code != u'\r') || code == 0x7f
                 || (code >= 0x80 && code < 0xa0))
            c = u'?';
    }
}

} // namespace

QByteArray selectCommand(int channel)
{
    QByteArray command("V");
    if (channel < 10)
        command += '0';
    command += QByteArray::number(channel);
    command += "\r\n";
    return command;
}

bool isCompleteReply(const QByteArray &buffer)
{
    return buffer.endsWith(kReplyTerminator);
}

ParsedReply parseReply(const QByteArray &buffer)
{
    const QString text = decodeReply(buffer);
    ParsedReply reply;

    // Positions below are 0-based; without a comma the comma position is one
    // past the end, so the value field is the last 11 characters.
    const qsizetype comma = text.indexOf(u',');
    const qsizetype commaPos = comma < 0 ? text.size() : comma;

    const qsizetype fieldStart = commaPos - kValueFieldWidth;
    if (fieldStart >= 0) {
        bool inRange = true;
        const double value
            = numberFromText(QStringView(text).mid(fieldStart, kValueFieldWidth), &inRange);
        // A field that overflows a double is no reading; showing it as 0 would
        // pass a plainly wrong value for a real one.
        if (inRange) {
            reply.valueTaken = true;
            reply.value = shortestNumberText(value);
        }
    }

    if (comma >= 0) {
        QString unit = text.mid(comma + 1, kUnitFieldWidth);
        sanitiseUnit(unit);
        qsizetype end = unit.size();
        while (end > 0 && unit.at(end - 1) == u' ')
            --end;
        unit.truncate(end);
        reply.unit = unit;
    }
    return reply;
}

QByteArray replyBody(const QByteArray &line)
{
    const QByteArray text = line.endsWith(kReplyTerminator) ? line.chopped(2) : line;
    const qsizetype comma = text.indexOf(',');
    const qsizetype fieldStart = (comma < 0 ? text.size() : comma) - kValueFieldWidth;
    return fieldStart < 0 ? QByteArray() : text.mid(fieldStart);
}

bool hasReplyShape(const QByteArray &line)
{
    const QByteArray body = replyBody(line);
    if (body.isEmpty())
        return false;
    for (const char byte : body) {
        if (byte != '\0' && static_cast<unsigned char>(byte) < 0x20)
            return false;
    }
    // One reply's unit at most: a second comma or a long tail means the rest of
    // another reply was glued to this one.
    const qsizetype tail = body.size() - kValueFieldWidth - 1;
    if (tail > kLongestUnitTail || body.indexOf(',', kValueFieldWidth + 1) >= 0)
        return false;
    const QByteArray field = body.left(kValueFieldWidth).trimmed();
    return !field.isEmpty() && std::all_of(field.cbegin(), field.cend(), [](char c) {
        return (c >= '0' && c <= '9') || QByteArrayView("+-.eE").contains(c);
    });
}
