#include "ResultFileReader.h"

#include "CellStore.h"
#include "NumberField.h"
#include "ResultFileFormat.h"
#include "ResultTable.h"

#include <QElapsedTimer>
#include <QFile>

#include <climits>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

// Rows collected before they go to the table when progress calls are rare.
constexpr qsizetype kBatchRows = 4096;
constexpr qint64 kProgressIntervalMs = 30;
// Row numbers of the table are ints, the label row included.
constexpr qsizetype kMaxDataRows = INT_MAX - 1;

bool equals(FieldScanner::Span span, const char *text)
{
    const auto length = std::strlen(text);
    return std::size_t(span.end - span.begin) == length
        && std::memcmp(span.begin, text, length) == 0;
}

} // namespace

ResultFileReader::ResultFileReader(ResultTable &table) : m_table(table) { }

ResultFileReader::Outcome ResultFileReader::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(u"It cannot be opened: %1"_s.arg(file.errorString()));
    return read(&file);
}

ResultFileReader::Outcome ResultFileReader::read(QIODevice *device)
{
    m_errorString.clear();
    m_device = device;
    m_bytesTotal = device->isSequential() ? -1 : device->size();
    m_bytesDropped = 0;
    m_buffer.clear();
    m_position = 0;
    m_filled = 0;
    m_atEnd = false;
    m_readError = false;
    const Outcome outcome = readFields();
    m_device = nullptr;
    m_buffer = QByteArray();
    return outcome;
}

ResultFileReader::Outcome ResultFileReader::fail(const QString &why)
{
    m_errorString = why;
    return Outcome::Failed;
}

bool ResultFileReader::readMore()
{
    if (m_atEnd)
        return false;
    // Keep the field being read; drop what lies before it.
    const qsizetype kept = m_filled - m_position;
    if (m_position > 0) {
        std::memmove(m_buffer.data(), m_buffer.constData() + m_position, std::size_t(kept));
        m_bytesDropped += m_position;
        m_position = 0;
        m_filled = kept;
    }
    // A field longer than a piece makes the buffer grow to hold it.
    qsizetype piece = m_pieceSize;
    if (m_bytesTotal >= 0) // a small file needs no full piece
        piece = qsizetype(
            std::min<qint64>(piece, std::max<qint64>(m_bytesTotal - m_bytesDropped + 16, 4096)));
    const qsizetype wanted = std::max(piece, 2 * kept);
    if (m_buffer.size() < wanted)
        m_buffer.resize(wanted);
    const qint64 got = m_device->read(m_buffer.data() + m_filled, m_buffer.size() - m_filled);
    if (got < 0) {
        m_readError = true;
        m_atEnd = true;
        m_errorString = u"Reading failed: %1"_s.arg(m_device->errorString());
        return false;
    }
    m_filled += got;
    if (got == 0 || m_device->atEnd())
        m_atEnd = true;
    return true;
}

bool ResultFileReader::nextField(Scan scan, Span *text)
{
    for (;;) {
        const char *begin = m_buffer.constData();
        const char *position = begin + m_position;
        const auto result = scan(&position, begin + m_filled, m_atEnd, text);
        if (result == FieldScanner::Result::Field) {
            m_position = position - begin;
            return true;
        }
        if (result == FieldScanner::Result::EndOfData || !readMore())
            return false;
    }
}

ResultFileReader::Outcome ResultFileReader::readFields()
{
    if (!readMore() && m_readError)
        return Outcome::Failed;
    m_position = m_decoder.examineStart(m_buffer.constData(), m_buffer.constData() + m_filled);
    Span title;
    if (!nextField(&FieldScanner::stringField, &title)) {
        if (!m_readError)
            m_errorString = u"The file is empty."_s;
        return Outcome::Failed;
    }
    if (!equals(title, ResultFileFormat::kTitle)) {
        m_errorString = u"This is not a result file: its first field is not the title."_s;
        return Outcome::Rejected;
    }
    m_table.setRows(1);
    if (m_layoutForOpen)
        m_layoutForOpen();
    else
        m_table.setLayout(gridLayoutFor(1, 100));
    m_table.setCols(ResultFileFormat::kMaxColumns);
    if (!readHeader()) {
        if (!m_readError)
            m_errorString = u"The file ends before the header's unit label."_s;
        return Outcome::Failed;
    }
    return readData();
}

bool ResultFileReader::readHeader()
{
    for (int column = 0; column < ResultFileFormat::kMaxColumns; ++column) {
        Span field;
        if (!nextField(&FieldScanner::stringField, &field))
            return false;
        const QString label = m_decoder.decode(field.begin, field.end);
        m_table.setText(0, column, label);
        if (label == QStringView(ResultFileFormat::kUnitLabel)
            || label == QStringView(ResultFileFormat::kKoreanUnitLabel)) {
            m_table.setCols(column + 1);
            break;
        }
    }
    return true;
}

ResultFileReader::Outcome ResultFileReader::readData()
{
    const int columns = m_table.cols();
    const int unitColumn = columns - 1;
    CellStore block(columns);
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    for (;;) {
        if (m_table.rows() - 1 + block.rowCount() >= kMaxDataRows)
            return fail(u"The file holds more rows than a table can."_s);
        block.appendRow();
        const qsizetype row = block.rowCount() - 1;
        bool complete = true;
        for (int column = 0; column < columns && complete; ++column) {
            Span field;
            if (column < unitColumn) {
                complete = nextField(&FieldScanner::numberField, &field);
                if (complete)
                    storeNumber(block, row, column, field);
            } else {
                complete = nextField(&FieldScanner::stringField, &field);
                if (complete)
                    storeText(block, row, column, field);
            }
        }
        if (!complete) {
            // The read for a new row that found the end leaves it empty.
            if (block.isEmpty(row, 0))
                block.truncate(row);
            break;
        }
        const bool progressDue = sinceProgress.elapsed() >= kProgressIntervalMs;
        if (progressDue || block.rowCount() >= kBatchRows) {
            if (!flush(block, columns, progressDue))
                return fail(u"The table changed while the file was loading."_s);
            if (progressDue)
                sinceProgress.restart();
        }
    }
    if (!flush(block, columns, false))
        return fail(u"The table changed while the file was loading."_s);
    if (m_progress)
        m_progress(m_bytesDropped + m_filled, m_bytesTotal);
    // A read error is not the end of the data: rows past it would be lost.
    return m_readError ? Outcome::Failed : Outcome::Loaded;
}

bool ResultFileReader::flush(CellStore &block, int columns, bool reportProgress)
{
    if (m_table.cols() != columns)
        return false;
    m_table.appendRows(block);
    block.reset(columns);
    if (reportProgress && m_progress) {
        m_progress(m_bytesDropped + m_position, m_bytesTotal);
        return m_table.cols() == columns;
    }
    return true;
}

void ResultFileReader::storeNumber(CellStore &block, qsizetype row, int column, Span field)
{
    if (NumberField::isWrittenForm(field.begin, field.end)) {
        block.setAscii(row, column, field.begin, field.end - field.begin);
        return;
    }
    char text[NumberField::kMaxTextLength];
    std::size_t length = 0;
    if (NumberField::formatNumber(field.begin, field.end, text, &length)
        == NumberField::Outcome::Ok) {
        block.setAscii(row, column, text, qsizetype(length));
        return;
    }
    // Beyond single precision: keep the number as written rather than lose it;
    // saving the table then names the cell.
    while (field.begin != field.end && (*field.begin == ' ' || *field.begin == '\t'))
        ++field.begin;
    while (field.end != field.begin && (field.end[-1] == ' ' || field.end[-1] == '\t'))
        --field.end;
    storeText(block, row, column, field);
}

void ResultFileReader::storeText(CellStore &block, qsizetype row, int column, Span field)
{
    if (FieldDecoder::isAscii(field.begin, field.end))
        block.setAscii(row, column, field.begin, field.end - field.begin);
    else
        block.setText(row, column, m_decoder.decode(field.begin, field.end));
}
