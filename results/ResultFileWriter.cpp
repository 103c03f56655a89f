#include "ResultFileWriter.h"

#include "CellStore.h"
#include "NumberField.h"
#include "ResultFileFormat.h"
#include "ResultTable.h"

#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype kWriteChunk = 1 << 20;

} // namespace

bool ResultFileWriter::write(const QString &path, const ResultTable &table)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        m_errorString = u"Cannot save %1: %2"_s.arg(path, file.errorString());
        return false;
    }
    if (!write(&file, table)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        m_errorString = u"Cannot save %1: %2"_s.arg(path, file.errorString());
        return false;
    }
    return true;
}

bool ResultFileWriter::write(QIODevice *device, const ResultTable &table)
{
    m_errorString.clear();
    m_device = device;
    m_encoder = QStringEncoder(ResultFileFormat::kCodePage);
    m_lastText.clear();
    m_lastEncoded.clear();
    m_out.clear();
    m_out.reserve(kWriteChunk + 4096);
    const bool written = writeRows(table) && flushIfFull(0);
    m_device = nullptr;
    m_out = QByteArray();
    return written;
}

bool ResultFileWriter::writeRows(const ResultTable &table)
{
    const int columns = table.cols();
    m_out.append('"')
        .append(ResultFileFormat::kTitle)
        .append('"')
        .append(ResultFileFormat::kLineEnd);
    for (int column = 0; column < columns; ++column) {
        if (!appendString(table.text(0, column), 0, column, table))
            return false;
        m_out.append(column + 1 < columns ? ","_ba : QByteArray(ResultFileFormat::kLineEnd));
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
            m_out.append(',');
        }
        if (!appendString(cells.text(row - 1, columns - 1), row, columns - 1, table))
            return false;
        m_out.append(ResultFileFormat::kLineEnd);
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
        m_errorString = u"%1 holds %2, a number beyond the range of single precision."_s.arg(
            cellName(row, column, table), table.text(row, column));
        return false;
    }
    m_out.append(text.data(), qsizetype(length));
    return true;
}

bool ResultFileWriter::appendString(const QString &text, int row, int column,
                                    const ResultTable &table)
{
    if (text != m_lastText) {
        if (text.contains(u'"')) {
            m_errorString = u"%1 holds a double quote, which a result file cannot store."_s.arg(
                cellName(row, column, table));
            return false;
        }
        const bool ascii
            = std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
        QByteArray encoded = ascii ? text.toLatin1() : QByteArray(m_encoder(text));
        // The encoder may put "?" for a character the code page lacks; only a
        // round trip tells.
        if (!ascii
            && (m_encoder.hasError()
                || QStringDecoder(ResultFileFormat::kCodePage).decode(encoded) != text)) {
            m_encoder.resetState();
            m_errorString = u"%1 holds a character that code page 949 cannot store."_s.arg(
                cellName(row, column, table));
            return false;
        }
        m_lastText = text;
        m_lastEncoded = std::move(encoded);
    }
    m_out.append('"').append(m_lastEncoded).append('"');
    return true;
}

bool ResultFileWriter::flushIfFull(qsizetype threshold)
{
    if (m_out.size() < threshold || m_out.isEmpty())
        return true;
    if (m_device->write(m_out) != m_out.size()) {
        m_errorString = u"Writing failed: %1"_s.arg(m_device->errorString());
        return false;
    }
    m_out.resize(0); // keeps the capacity
    return true;
}

QString ResultFileWriter::cellName(int row, int column, const ResultTable &table) const
{
    if (row == 0)
        return u"The label of column %1"_s.arg(column + 1);
    return u"Row %1 of column %2 (%3)"_s.arg(row).arg(column + 1).arg(table.text(0, column));
}
