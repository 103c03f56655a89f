#pragma once

#include <QByteArray>
#include <QString>

// The text exchange with the scanner: the host selects a channel ("V05" CR LF),
// then queries the reading ("?R" CR LF); the scanner answers with one line that
// ends with LF CR (in that order) and carries an 11-character value field, a
// comma and the unit.

inline constexpr char kQueryCommand[] = "?R\r\n";
inline constexpr char kReplyTerminator[] = "\n\r";

// "V" and the channel as two digits below 10 ("V05"), plain decimal from 10 on,
// then CR LF.
QByteArray selectCommand(int channel);

// True when buffer ends with the reply terminator LF CR.
bool isCompleteReply(const QByteArray &buffer);

struct ParsedReply
{
    // False when the value field cannot be taken: the first comma stands within
    // the first 11 characters (or, without a comma, the text is shorter than 11
    // characters), or the number in it is too large for a double. The value
    // text is then empty.
    bool valueTaken = false;
    // The number in the value field written back in its shortest form ("12.34").
    QString value;
    // Up to 7 characters after the first comma, trailing spaces removed; a NUL
    // reads as a space, another control character but tab, LF and CR as "?".
    QString unit;
};

// Takes a collected reply apart; the bytes are code page 949 text and positions
// count characters. The first comma decides, so of two replies in
// one buffer the older one is parsed. Without a comma the value field is the
// last 11 characters and the unit is empty.
ParsedReply parseReply(const QByteArray &buffer);

// True when line (terminator included) is built like a reply, even if its
// number cannot be taken ("1e999999999,kPa"): a value field of 11 characters
// before the first comma that holds a number and spaces only, from there on printable
// text (a NUL as padding at most), and after the comma no more than one padded
// unit, without a second comma. Whatever precedes the field is
// ignored, as the parser does. Line noise and a reply that lost its start are
// not built like a reply.
bool hasReplyShape(const QByteArray &line);
// The reply in line without what precedes its value field or its terminator;
// empty when there is no room for a value field.
QByteArray replyBody(const QByteArray &line);
