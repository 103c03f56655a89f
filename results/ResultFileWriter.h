#pragma once

#include <QByteArray>
#include <QString>
#include <QStringEncoder>

#include <cstring>
#include <optional>
#include <vector>

class QIODevice;
class ResultTable;

// Writes a result table as a result file: the title line, the header row's
// labels as strings, then every data row with a number for each column but the
// last and the unit text as a string; every line ends with CR LF. Numbers are
// read from the cell texts and written as NumberField describes; texts are
// written in code page 949.
//
// What the format cannot hold is written as near as it can be, so that results
// can always be saved: a number beyond single precision as the largest value
// of its sign, a double quote (which has no escape) as an apostrophe, and a
// character that code page 949 lacks as "?". Saving to a path goes through QSaveFile, so a failed
// save leaves the old file as it was.
class ResultFileWriter
{
public:
    bool write(const QString &path, const ResultTable &table);
    // Writes to an open device; on failure part of the file may be written.
    bool write(QIODevice *device, const ResultTable &table);
    QString errorString() const { return m_errorString; }

private:
    bool writeRows(const ResultTable &table);
    bool appendString(const QString &text);
    bool appendNumber(const char *begin, const char *end, int row, int column,
                      const ResultTable &table);
    bool flushIfFull(std::size_t threshold);
    void append(const char *bytes, std::size_t length)
    {
        if (m_out.size() - m_used < length)
            grow(length);
        std::memcpy(m_out.data() + m_used, bytes, length);
        m_used += length;
    }
    void append(char byte) { append(&byte, 1); }
    void grow(std::size_t length);

    QIODevice *m_device = nullptr;
    // Bytes not yet written; a plain buffer, as appending is the hot path.
    std::vector<char> m_out;
    std::size_t m_used = 0;
    QString m_errorString;
    std::optional<QStringEncoder> m_encoder; // made for the first non-ASCII text
    // The unit text repeats on every row: encode it once.
    QString m_lastText;
    QByteArray m_lastEncoded;
};
