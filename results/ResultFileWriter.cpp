#include "ResultFileWriter.h"

#include "CellStore.h"
#include "NumberField.h"
#include "ResultFileFormat.h"
#include "ResultTable.h"

#include <QCoreApplication>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

// The messages reach the window's dialogs: they follow its language.
QString tr(const char *text)
{
    return QCoreApplication::translate("ResultFileWriter", text);
}

constexpr std::size_t kWriteChunk = 1 << 20;

} // namespace

bool ResultFileWriter::write(const QString &path, const ResultTable &table)
{
    QSaveFile file(path);
    // Unbuffered: the writes come in large pieces anyway, and a buffered one
    // that fails only in the final flush is not seen by commit(), which would
    // then put a short file in place of the earlier one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        m_errorString = tr("Cannot save %1: %2").arg(path, file.errorString());
        return false;
    }
    const bool written = write(&file, table);
    if (!written || !file.flush() || file.error() != QFileDevice::NoError) {
        if (written)
            m_errorString = tr("Writing failed: %1").arg(file.errorString());
        m_errorString = tr("Cannot save %1: %2").arg(path, m_errorString);
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        m_errorString = tr("Cannot save %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

bool ResultFileWriter::write(QIODevice *device, const ResultTable &table)
{
    m_errorString.clear();
    m_device = device;
    m_encoder.reset();
    m_lastText.clear();
    m_lastEncoded.clear();
    // A small table needs no full chunk of buffer.
    const std::size_t estimate = std::size_t(table.rows()) * std::size_t(table.cols()) * 10 + 4096;
    m_out.resize(std::min(estimate, kWriteChunk + 4096));
    m_used = 0;
    const bool written = writeRows(table) && flushIfFull(0);
    m_device = nullptr;
    m_out = std::vector<char>();
    return written;
}

bool ResultFileWriter::writeRows(const ResultTable &table)
{
    const int columns = table.cols();
    append('"');
    append(ResultFileFormat::kTitle, sizeof ResultFileFormat::kTitle - 1);
    append('"');
    append(ResultFileFormat::kLineEnd, 2);
    for (int column = 0; column < columns; ++column) {
        if (!appendString(table.text(0, column)))
            return false;
        if (column + 1 < columns)
            append(',');
        else
            append(ResultFileFormat::kLineEnd, 2);
    }
    const CellStore &cells = table.dataCells();
    const int rows = table.rows();
    std::array<char, CellStore::kMaxPackedLength> packed {};
    for (int row = 1; row < rows && columns > 0; ++row) {
        for (int column = 0; column + 1 < columns; ++column) {
            const int length = cells.packedText(row - 1, column, packed.data());
            bool fine = false;
            if (length >= 0) {
                fine = appendNumber(packed.data(), packed.data() + length, row, column, table);
            } else {
                // Characters beyond Latin-1 become "?", which ends a number.
                const QByteArray text = cells.text(row - 1, column).toLatin1();
                fine = appendNumber(text.constBegin(), text.constEnd(), row, column, table);
            }
            if (!fine)
                return false;
            append(',');
        }
        if (!appendString(cells.text(row - 1, columns - 1)))
            return false;
        append(ResultFileFormat::kLineEnd, 2);
        if (!flushIfFull(kWriteChunk))
            return false;
    }
    return true;
}

bool ResultFileWriter::appendNumber(const char *begin, const char *end, int row, int column,
                                    const ResultTable &table)
{
    std::array<char, NumberField::kMaxTextLength> text {};
    std::size_t length = 0;
    if (NumberField::formatNumber(begin, end, text.data(), &length) != NumberField::Outcome::Ok) {
        // A stray reading beyond single precision must not keep the whole table
        // from being saved: it is written as the largest magnitude the format
        // holds, with its sign.
        const QString cell = table.text(row, column).trimmed();
        const char *largest = cell.startsWith(u'-') ? "-3.402823E+38" : "3.402823E+38";
        append(largest, std::strlen(largest));
        return true;
    }
    append(text.data(), length);
    return true;
}

bool ResultFileWriter::appendString(const QString &text)
{
    if (text != m_lastText) {
        // The format has no escape for a double quote: it would end the field
        // on reading and shift the rest of the row. An apostrophe stands in.
        QString storable = text;
        storable.replace(u'"', u'\'');
        const bool ascii
            = std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
        QByteArray encoded;
        if (ascii) {
            encoded = storable.toLatin1();
        } else {
            if (!m_encoder)
                m_encoder.emplace(ResultFileFormat::kCodePage);
            // A character the code page lacks becomes "?", as on the systems
            // that read these files.
            encoded = (*m_encoder)(storable);
            m_encoder->resetState();
        }
        m_lastText = text;
        m_lastEncoded = std::move(encoded);
    }
    append('"');
    append(m_lastEncoded.constData(), std::size_t(m_lastEncoded.size()));
    append('"');
    return true;
}

void ResultFileWriter::grow(std::size_t length)
{
    m_out.resize(m_used + length + std::min(m_out.size() + 4096, kWriteChunk));
}

bool ResultFileWriter::flushIfFull(std::size_t threshold)
{
    if (m_used < threshold || m_used == 0)
        return true;
    if (m_device->write(m_out.data(), qint64(m_used)) != qint64(m_used)) {
        m_errorString = tr("Writing failed: %1").arg(m_device->errorString());
        return false;
    }
    m_used = 0;
    return true;
}
