#pragma once

#include <QString>
#include <QStringDecoder>

#include <optional>

// Turns the bytes of a string field into text. Result files are written in
// code page 949, but a file that another tool saved as UTF-8 must open too.
// The rule: a UTF-8 byte-order mark makes the file UTF-8. Otherwise the first
// string field with non-ASCII bytes decides for the whole file: UTF-8 when
// those bytes are valid UTF-8, else code page 949. Korean text in code page 949
// is almost never valid UTF-8 (most of its lead bytes are UTF-8 continuation
// bytes), so the guess is safe, and it does not depend on how the file is read
// in pieces. A field of a UTF-8 file that is not valid UTF-8 is still read as
// code page 949.
class FieldDecoder
{
public:
    // Looks at the first bytes of the file; returns the length of a byte-order
    // mark to skip.
    qsizetype examineStart(const char *begin, const char *end);

    QString decode(const char *begin, const char *end);

    static bool isAscii(const char *begin, const char *end);
    static bool isValidUtf8(const char *begin, const char *end);

private:
    enum class Encoding { Undecided, Utf8, CodePage949 };

    QString decodeCodePage(const char *begin, const char *end);

    Encoding m_encoding = Encoding::Undecided;
    // Made on first use: opening the converter costs more than reading a small
    // ASCII file.
    std::optional<QStringDecoder> m_codePage;
};
