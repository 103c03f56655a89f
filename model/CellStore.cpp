#include "CellStore.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

// Cells per chunk: 128 KiB a chunk, small enough to waste little at the end of
// a table and large enough that the chunk list stays short.
constexpr int kChunkCells = 16384;

constexpr std::uint64_t kPoolFlag = std::uint64_t(1) << 63;
constexpr int kMaxPackedLength = CellStore::kMaxPackedLength;

// Code 0 ends a packed text; codes 1 to 15 are its characters.
constexpr std::array<char, 16> kPackedChars
    = { '\0', '0', '1', '2', '3', '4', '5', '6', '7', '8', '9', '.', '-', '+', 'E', 'e' };

constexpr std::array<std::uint8_t, 256> makePackedCodes()
{
    std::array<std::uint8_t, 256> codes {};
    for (std::size_t i = 1; i < kPackedChars.size(); ++i)
        codes[static_cast<unsigned char>(kPackedChars[i])] = static_cast<std::uint8_t>(i);
    return codes;
}
constexpr std::array<std::uint8_t, 256> kPackedCodes = makePackedCodes();

// The packed form of text, or 0 with *packed false when it cannot be packed.
template<typename Char> std::uint64_t pack(const Char *text, qsizetype length, bool *packed)
{
    *packed = false;
    if (length > kMaxPackedLength)
        return 0;
    // Without a branch per character: file loads pack millions of cells.
    std::uint64_t cell = 0;
    bool unpackable = false;
    for (qsizetype i = 0; i < length; ++i) {
        const auto c = static_cast<std::uint32_t>(text[i]);
        const std::uint8_t code = kPackedCodes[c & 0xFF];
        unpackable |= (code == 0) | (c > 0xFF);
        cell |= std::uint64_t(code) << (4 * i);
    }
    *packed = !unpackable;
    return unpackable ? 0 : cell;
}

constexpr double kNoNumber = std::numeric_limits<double>::quiet_NaN();

// The powers of ten that a double holds exactly.
constexpr std::array<double, 23> kExactPowers
    = { 1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22 };

// The slow, exact reading of a packed text, for what the fast path leaves out.
double readPacked(std::uint64_t cell)
{
    std::array<char, kMaxPackedLength> chars {};
    int length = 0;
    for (std::uint64_t rest = cell; rest != 0; rest >>= 4)
        chars[std::size_t(length++)] = kPackedChars[rest & 0xF];
    const char *begin = chars.data();
    // A leading "+" reads as it does for QString::toDouble().
    if (length > 1 && *begin == '+' && begin[1] != '-')
        ++begin;
    double value = kNoNumber;
    const auto [end, error] = std::from_chars(begin, chars.data() + length, value);
    return error == std::errc() && end == chars.data() + length ? value : kNoNumber;
}

// A packed text read as a number straight from its codes: digits, one point and
// an optional exponent. A mantissa of at most 15 digits and a power of ten a
// double holds exactly give the correctly rounded value in one operation, the
// same as a full conversion; anything else takes the slow path.
double readPackedNumber(std::uint64_t cell)
{
    std::uint64_t rest = cell;
    bool negative = false;
    if ((rest & 0xF) == 12 || (rest & 0xF) == 13) {
        negative = (rest & 0xF) == 12;
        rest >>= 4;
    }
    std::uint64_t mantissa = 0;
    int digits = 0;
    int decimals = 0;
    bool point = false;
    for (; rest != 0; rest >>= 4) {
        const unsigned code = unsigned(rest & 0xF);
        if (code >= 1 && code <= 10) {
            mantissa = mantissa * 10 + (code - 1);
            ++digits;
            decimals += point ? 1 : 0;
        } else if (code == 11 && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (rest != 0 || digits == 0)
        return readPacked(cell);
    const int exponent = -decimals;
    if (exponent < -22)
        return readPacked(cell);
    const double value
        = exponent < 0 ? double(mantissa) / kExactPowers[std::size_t(-exponent)] : double(mantissa);
    return negative ? -value : value;
}

} // namespace

CellStore::CellStore(int columns)
{
    setColumns(columns);
}

void CellStore::setColumns(int columns)
{
    m_columns = std::max(columns, 0);
    m_rowsPerChunk = std::max(1, kChunkCells / std::max(m_columns, 1));
}

void CellStore::reset(int columns)
{
    m_chunks.clear();
    m_pool.clear();
    m_poolIndex.clear();
    m_rows = 0;
    setColumns(columns);
}

void CellStore::setColumnCount(int columns)
{
    columns = std::max(columns, 0);
    if (columns == m_columns)
        return;
    if (m_rows == 0) {
        m_chunks.clear();
        setColumns(columns);
        return;
    }
    CellStore resized(columns);
    resized.m_pool = std::move(m_pool);
    resized.m_poolIndex = std::move(m_poolIndex);
    resized.appendRows(m_rows);
    const int kept = std::min(columns, m_columns);
    for (qsizetype row = 0; row < m_rows; ++row) {
        for (int column = 0; column < kept; ++column)
            resized.cell(row, column) = cell(row, column);
    }
    *this = std::move(resized);
}

void CellStore::appendRow()
{
    appendRows(1);
}

void CellStore::appendRows(qsizetype count)
{
    if (count <= 0)
        return;
    const qsizetype perChunk = rowsPerChunk();
    const qsizetype newRows = m_rows + count;
    const auto chunksNeeded = static_cast<std::size_t>((newRows + perChunk - 1) / perChunk);
    while (m_chunks.size() < chunksNeeded)
        m_chunks.push_back(
            std::make_unique<Cell[]>(std::size_t(perChunk) * std::max(m_columns, 1)));
    m_rows = newRows;
}

void CellStore::truncate(qsizetype rows)
{
    rows = std::clamp<qsizetype>(rows, 0, m_rows);
    const qsizetype perChunk = rowsPerChunk();
    const auto chunksNeeded = static_cast<std::size_t>((rows + perChunk - 1) / perChunk);
    m_chunks.resize(chunksNeeded);
    // Cells past the new end in the last chunk must read as empty when the rows
    // come back.
    if (rows % perChunk != 0) {
        Cell *chunk = m_chunks.back().get();
        std::fill(chunk + std::size_t(rows % perChunk) * m_columns,
                  chunk + std::size_t(perChunk) * m_columns, Cell(0));
    }
    m_rows = rows;
    if (m_rows == 0) {
        m_pool.clear();
        m_poolIndex.clear();
    }
}

CellStore::Cell CellStore::poolCell(QStringView text)
{
    const QString key = text.toString();
    auto found = m_poolIndex.constFind(key);
    if (found != m_poolIndex.constEnd())
        return kPoolFlag | found.value();
    const std::uint64_t index = m_pool.size();
    m_pool.push_back(key);
    m_poolIndex.insert(key, index);
    return kPoolFlag | index;
}

QString CellStore::poolText(Cell value) const
{
    return m_pool[std::size_t(value & ~kPoolFlag)];
}

QString CellStore::text(qsizetype row, int column) const
{
    const Cell value = cell(row, column);
    if (value & kPoolFlag)
        return poolText(value);
    std::array<char16_t, kMaxPackedLength> chars {};
    int length = 0;
    for (Cell rest = value; rest != 0; rest >>= 4)
        chars[std::size_t(length++)] = char16_t(kPackedChars[rest & 0xF]);
    return QString(reinterpret_cast<const QChar *>(chars.data()), length);
}

int CellStore::packedText(qsizetype row, int column, char *out) const
{
    const Cell value = cell(row, column);
    if (value & kPoolFlag)
        return -1;
    // All places unpacked without a branch; the length comes from the highest
    // non-zero code.
    for (int i = 0; i < kMaxPackedLength; ++i)
        out[i] = kPackedChars[(value >> (4 * i)) & 0xF];
    return (std::bit_width(value) + 3) / 4;
}

double CellStore::number(qsizetype row, int column) const
{
    const Cell value = cell(row, column);
    if (value == 0)
        return kNoNumber;
    if (value & kPoolFlag) {
        bool ok = false;
        const double number = poolText(value).toDouble(&ok);
        return ok ? number : kNoNumber;
    }
    return readPackedNumber(value);
}

void CellStore::rowNumbers(qsizetype row, int firstColumn, int count, double *numbers,
                           bool *filled) const
{
    const Cell *cells = rowCells(row) + firstColumn;
    for (int i = 0; i < count; ++i) {
        const Cell value = cells[i];
        filled[i] = value != 0;
        if (value == 0 || (value & kPoolFlag))
            numbers[i] = value == 0 ? kNoNumber : number(row, firstColumn + i);
        else
            numbers[i] = readPackedNumber(value);
    }
}

void CellStore::setText(qsizetype row, int column, QStringView text)
{
    bool packed = false;
    const Cell value = pack(text.utf16(), text.size(), &packed);
    cell(row, column) = packed ? value : poolCell(text);
}

void CellStore::setAscii(qsizetype row, int column, const char *text, qsizetype length)
{
    bool packed = false;
    const Cell value = pack(reinterpret_cast<const unsigned char *>(text), length, &packed);
    cell(row, column) = packed ? value : poolCell(QString::fromLatin1(text, length));
}

void CellStore::appendRowsFrom(const CellStore &other)
{
    const qsizetype first = m_rows;
    appendRows(other.m_rows);
    const int columns = std::min(m_columns, other.m_columns);
    for (qsizetype row = 0; row < other.m_rows; ++row) {
        const Cell *from = other.rowCells(row);
        Cell *to = rowCells(first + row);
        for (int column = 0; column < columns; ++column) {
            const Cell value = from[column];
            to[column] = (value & kPoolFlag) ? poolCell(other.poolText(value)) : value;
        }
    }
}

std::size_t CellStore::memoryUsage() const
{
    std::size_t bytes = m_chunks.capacity() * sizeof(m_chunks[0]);
    bytes += m_chunks.size() * std::size_t(rowsPerChunk()) * std::max(m_columns, 1) * sizeof(Cell);
    bytes += m_pool.capacity() * sizeof(QString);
    for (const QString &text : m_pool)
        bytes += std::size_t(text.capacity()) * sizeof(QChar) + 2 * sizeof(QString);
    return bytes;
}
