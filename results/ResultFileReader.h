#pragma once

#include "FieldDecoder.h"
#include "FieldScanner.h"

#include <QByteArray>
#include <QString>

#include <functional>

class CellStore;
class QIODevice;
class ResultTable;

// Reads a result file into a result table. The outcome:
// - Rejected: the first field is not the title; the table is untouched.
// - Failed: the file cannot be opened or read, or ends before the header's unit
//   label; the table keeps what was taken so far.
// - Loaded: the header was found and the data rows were read to the end.
// The file is read in pieces and the rows reach the table in batches, with a
// progress call about every 30 ms in which the caller may let the window
// repaint. Nothing in the table may be changed from a progress call: a load
// whose table changes its columns meanwhile stops as Failed.
class ResultFileReader
{
public:
    enum class Outcome { Rejected, Failed, Loaded };
    using LayoutForOpen = std::function<void()>;
    using Progress = std::function<void(qint64 bytesDone, qint64 bytesTotal)>;

    explicit ResultFileReader(ResultTable &table);

    // Lays the table out for channels 1 to 100 between the title and the
    // header; by default the plain layout, without the caller's channel boxes.
    void setLayoutForOpen(LayoutForOpen layout) { m_layoutForOpen = std::move(layout); }
    void setProgressHandler(Progress progress) { m_progress = std::move(progress); }
    // Bytes read from the file at a time; a field longer than this still reads.
    void setPieceSize(qsizetype bytes) { m_pieceSize = std::max<qsizetype>(bytes, 16); }

    Outcome read(const QString &path);
    Outcome read(QIODevice *device);
    QString errorString() const { return m_errorString; }

private:
    using Span = FieldScanner::Span;
    using Scan = FieldScanner::Result (*)(const char **, const char *, bool, Span *);

    Outcome readFields();
    bool readHeader();
    Outcome readData();
    bool nextField(Scan scan, Span *text);
    bool readMore();
    void storeNumber(CellStore &block, qsizetype row, int column, Span field);
    void storeText(CellStore &block, qsizetype row, int column, Span field);
    bool flush(CellStore &block, int columns, bool reportProgress);
    Outcome fail(const QString &why);

    ResultTable &m_table;
    LayoutForOpen m_layoutForOpen;
    Progress m_progress;
    qsizetype m_pieceSize = 4 << 20;
    QString m_errorString;

    QIODevice *m_device = nullptr;
    qint64 m_bytesTotal = 0;
    qint64 m_bytesDropped = 0; // bytes before m_buffer's first
    QByteArray m_buffer;
    qsizetype m_position = 0;
    qsizetype m_filled = 0;
    bool m_atEnd = false;
    bool m_readError = false;
    FieldDecoder m_decoder;
};
