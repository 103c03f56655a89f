#pragma once

#include "FieldDecoder.h"
#include "FieldScanner.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <functional>

class CellStore;
class QIODevice;
class ResultTable;

// Reads a result file into a result table. The outcome:
// - Rejected: the first field is not the title, a field is longer than the
//   bound, or the file holds a NUL byte: it is not a result file or is corrupt.
// - Failed: the file cannot be opened or read, or ends before the header's unit
//   label.
// - Cancelled: the progress handler asked to stop.
// - Loaded: the header was found and the data rows were read to the end.
// The file is read into a table of its own, which takes the place of the
// table's contents only when Loaded: otherwise the table is left as it was.
// The file is read in pieces, with a progress call when the read starts and
// then about every 30 ms, in which the caller may let the window repaint.
class ResultFileReader
{
public:
    enum class Outcome { Rejected, Failed, Cancelled, Loaded };
    // Returns false to cancel the read.
    using Progress = std::function<bool(qint64 bytesDone, qint64 bytesTotal)>;

    // No field of a result file comes near this (blanks and separator
    // included); the bound keeps a corrupt file from costing unbounded memory
    // and time before it is found out.
    static constexpr qsizetype kMaxFieldLength = 4096;

    explicit ResultFileReader(ResultTable &table);

    void setProgressHandler(Progress progress) { m_progress = std::move(progress); }
    // Bytes read from the file at a time.
    void setPieceSize(qsizetype bytes) { m_pieceSize = std::max<qsizetype>(bytes, 16); }
    void setMaxFieldLength(qsizetype bytes) { m_maxFieldLength = std::max<qsizetype>(bytes, 64); }

    Outcome read(const QString &path);
    Outcome read(QIODevice *device);
    QString errorString() const { return m_errorString; }

private:
    using Span = FieldScanner::Span;
    using Scan = FieldScanner::Result (*)(const char **, const char *, bool, Span *);
    enum class Stop { None, ReadError, Corrupt, Cancelled };

    Outcome readFields();
    bool readHeader();
    Outcome readData();
    bool nextField(Scan scan, Span *text);
    bool readMore();
    bool reportProgress(qint64 bytesDone, bool now);
    void stop(Stop why, const QString &text);
    Outcome stopOutcome(Outcome otherwise) const;
    Outcome fail(const QString &why);
    void storeNumber(CellStore &block, qsizetype row, int column, Span field);
    void storeText(CellStore &block, qsizetype row, int column, Span field);

    ResultTable &m_table;
    ResultTable *m_staged = nullptr;
    Progress m_progress;
    qsizetype m_pieceSize = 4 << 20;
    qsizetype m_maxFieldLength = kMaxFieldLength;
    QString m_errorString;

    QIODevice *m_device = nullptr;
    qint64 m_bytesTotal = 0;
    qint64 m_bytesDropped = 0; // bytes before m_buffer's first
    QByteArray m_buffer;
    qsizetype m_position = 0;
    qsizetype m_filled = 0;
    bool m_atEnd = false;
    Stop m_stop = Stop::None;
    QElapsedTimer m_sinceProgress;
    FieldDecoder m_decoder;
};
