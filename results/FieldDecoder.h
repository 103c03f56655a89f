#pragma once

#include <QString>
#include <QStringDecoder>

// Turns the bytes of a string field into text. Result files are written in
// code page 949, but a file that another tool saved as UTF-8 must open too.
// The rule: a UTF-8 byte-order mark makes the file UTF-8. Otherwise the first
// non-ASCII bytes decide: when the first piece of the file read holds non-ASCII
// bytes and all of them form valid UTF-8, the file is UTF-8; else it is code
// page 949. A file whose first piece is plain ASCII is decided by its first
// non-ASCII field in the same way. Code page 949 text is almost never valid
// UTF-8 (its lead bytes B0 to C8 are UTF-8 continuation bytes or need a
// continuation byte that its trail bytes rarely are), so the guess is safe. A
// field of a UTF-8 file that is not valid UTF-8 is still read as code page 949.
class FieldDecoder
{
public:
    FieldDecoder();

    // Looks at the first bytes of the file (up to end); returns the length of a
    // byte-order mark to skip. atEnd: the bytes are the whole file.
    qsizetype examineStart(const char *begin, const char *end, bool atEnd);

    QString decode(const char *begin, const char *end);

    static bool isAscii(const char *begin, const char *end);
    // cutAtEndIsValid: a sequence cut by end counts as valid (a piece of a file).
    static bool isValidUtf8(const char *begin, const char *end, bool cutAtEndIsValid);

private:
    enum class Encoding { Undecided, Utf8, CodePage949 };

    QString decodeCodePage(const char *begin, const char *end);

    Encoding m_encoding = Encoding::Undecided;
    QStringDecoder m_codePage;
};
