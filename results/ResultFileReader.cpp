#include "ResultFileReader.h"

#include "CellStore.h"
#include "NumberField.h"
#include "ResultFileFormat.h"
#include "ResultTable.h"

#include <QCoreApplication>
#include <QFile>

#include <climits>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

// The messages reach the window's dialogs: they follow its language.
QString tr(const char *text)
{
    return QCoreApplication::translate("ResultFileReader", text);
}

// Rows collected before they go to the table.
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
    m_errorString.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_errorString = tr("It cannot be opened: %1").arg(file.errorString());
        return Outcome::Failed;
    }
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
    m_stop = Stop::None;
    ResultTable staged;
    m_staged = &staged;
    m_sinceProgress.start();
    Outcome outcome = Outcome::Cancelled;
    if (reportProgress(0, true))
        outcome = readFields();
    if (outcome == Outcome::Loaded)
        m_table.swapContents(staged);
    m_staged = nullptr;
    m_device = nullptr;
    m_buffer = QByteArray();
    return outcome;
}

void ResultFileReader::stop(Stop why, const QString &text)
{
    m_stop = why;
    m_atEnd = true;
    m_errorString = text;
}

ResultFileReader::Outcome ResultFileReader::stopOutcome(Outcome otherwise) const
{
    switch (m_stop) {
    case Stop::None:
        return otherwise;
    case Stop::ReadError:
        return Outcome::Failed;
    case Stop::Corrupt:
        return Outcome::Rejected;
    case Stop::Cancelled:
        return Outcome::Cancelled;
    }
    return otherwise;
}

bool ResultFileReader::reportProgress(qint64 bytesDone, bool now)
{
    if (!m_progress || (!now && m_sinceProgress.elapsed() < kProgressIntervalMs))
        return true;
    m_sinceProgress.restart();
    if (m_progress(bytesDone, m_bytesTotal))
        return true;
    stop(Stop::Cancelled, tr("The load was cancelled."));
    return false;
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
    qsizetype piece = m_pieceSize;
    if (m_bytesTotal >= 0) // a small file needs no full piece
        piece = qsizetype(
            std::min<qint64>(piece, std::max<qint64>(m_bytesTotal - m_bytesDropped + 16, 4096)));
    const qsizetype wanted = std::max(piece, 2 * kept);
    if (m_buffer.size() < wanted)
        m_buffer.resize(wanted);
    char *fresh = m_buffer.data() + m_filled;
    const qint64 got = m_device->read(fresh, m_buffer.size() - m_filled);
    if (got < 0) {
        stop(Stop::ReadError, tr("Reading failed: %1").arg(m_device->errorString()));
        return false;
    }
    // No result file holds a NUL byte; a file of them is damage, not data.
    if (const void *nul = std::memchr(fresh, 0, std::size_t(got))) {
        const qint64 offset = m_bytesDropped + m_filled + (static_cast<const char *>(nul) - fresh);
        stop(Stop::Corrupt, tr("It holds a NUL byte at byte %1.").arg(offset));
        return false;
    }
    m_filled += got;
    if (got == 0 || m_device->atEnd())
        m_atEnd = true;
    return reportProgress(m_bytesDropped + m_position, false);
}

bool ResultFileReader::nextField(Scan scan, Span *text)
{
    for (;;) {
        const char *begin = m_buffer.constData();
        const char *position = begin + m_position;
        const auto result = scan(&position, begin + m_filled, m_atEnd, text);
        const qsizetype length = result == FieldScanner::Result::Field
            ? position - begin - m_position
            : m_filled - m_position;
        if (length > m_maxFieldLength) {
            stop(Stop::Corrupt,
                 tr("A field at byte %1 is longer than %2 bytes.")
                     .arg(m_bytesDropped + m_position)
                     .arg(m_maxFieldLength));
            return false;
        }
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
    if (!readMore() && m_stop != Stop::None)
        return stopOutcome(Outcome::Failed);
    m_position = m_decoder.examineStart(m_buffer.constData(), m_buffer.constData() + m_filled);
    Span title;
    if (!nextField(&FieldScanner::stringField, &title)) {
        if (m_stop == Stop::None)
            m_errorString = tr("The file is empty.");
        return stopOutcome(Outcome::Failed);
    }
    if (!equals(title, ResultFileFormat::kTitle)) {
        m_errorString = tr("This is not a result file: its first field is not the title.");
        return Outcome::Rejected;
    }
    m_staged->setLayout(gridLayoutFor(1, 100));
    m_staged->setCols(ResultFileFormat::kMaxColumns);
    if (!readHeader()) {
        if (m_stop == Stop::None)
            m_errorString = tr("The file ends before the header's unit label.");
        return stopOutcome(Outcome::Failed);
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
        m_staged->setText(0, column, label);
        if (label == QStringView(ResultFileFormat::kUnitLabel)
            || label == QStringView(ResultFileFormat::kKoreanUnitLabel)) {
            m_staged->setCols(column + 1);
            break;
        }
    }
    return true;
}

ResultFileReader::Outcome ResultFileReader::readData()
{
    const int columns = m_staged->cols();
    const int unitColumn = columns - 1;
    CellStore block(columns);
    for (;;) {
        if (m_staged->rows() - 1 + block.rowCount() >= kMaxDataRows)
            return fail(tr("The file holds more rows than a table can."));
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
            if (m_stop != Stop::None)
                return stopOutcome(Outcome::Failed);
            // The read for a new row that found the end leaves it empty.
            if (block.isEmpty(row, 0))
                block.truncate(row);
            break;
        }
        if (block.rowCount() >= kBatchRows) {
            m_staged->appendRows(block);
            block.reset(columns);
        }
        // A file of short rows finds no new piece for a while.
        if (!reportProgress(m_bytesDropped + m_position, false))
            return Outcome::Cancelled;
    }
    m_staged->appendRows(block);
    if (!reportProgress(m_bytesDropped + m_filled, true))
        return Outcome::Cancelled;
    return Outcome::Loaded;
}

ResultFileReader::Outcome ResultFileReader::fail(const QString &why)
{
    m_errorString = why;
    return Outcome::Failed;
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
