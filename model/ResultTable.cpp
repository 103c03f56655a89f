#include "ResultTable.h"

#include "TextContrast.h"

#include <QBrush>
#include <QColor>

#include <algorithm>

using namespace Qt::StringLiterals;

ResultTable::ResultTable(QObject *parent) : QAbstractTableModel(parent)
{
    setLayout(gridLayoutFor(0, -1));
}

void ResultTable::setRows(int rows)
{
    const qsizetype dataRows = std::max(rows, 1) - 1;
    const qsizetype current = m_cells.rowCount();
    if (dataRows < current) {
        beginRemoveRows({}, int(dataRows), int(current - 1));
        m_cells.truncate(dataRows);
        if (qsizetype(m_rowTimes.size()) > dataRows)
            m_rowTimes.resize(std::size_t(dataRows));
        const quint64 firstGone = markKey(int(dataRows + 1), 0);
        m_marks.erase(
            std::lower_bound(m_marks.begin(), m_marks.end(), firstGone,
                             [](const Mark &mark, quint64 key) { return mark.key < key; }),
            m_marks.end());
        for (auto it = m_flags.begin(); it != m_flags.end();) {
            if (qsizetype(it.key() >> 32) > dataRows)
                it = m_flags.erase(it);
            else
                ++it;
        }
        for (auto it = m_unsettled.begin(); it != m_unsettled.end();) {
            if (qsizetype(it.key() >> 32) > dataRows)
                it = m_unsettled.erase(it);
            else
                ++it;
        }
        endRemoveRows();
        if (dataRows == 0 && !m_widestTexts.isEmpty()) {
            forgetWidest();
            Q_EMIT layoutReset();
        }
    } else if (dataRows > current) {
        beginInsertRows({}, int(current), int(dataRows - 1));
        m_cells.appendRows(dataRows - current);
        endInsertRows();
    }
}

void ResultTable::setCols(int cols)
{
    cols = std::max(cols, 0);
    if (cols == m_cells.columnCount())
        return;
    beginResetModel();
    m_cells.setColumnCount(cols);
    m_labels.resize(cols);
    m_widthTexts.resize(cols);
    m_widestLength.resize(std::size_t(cols), 0);
    m_widestTexts.resize(cols);
    endResetModel();
    Q_EMIT layoutReset();
}

QString ResultTable::text(int row, int column) const
{
    if (row < 0 || row >= rows() || column < 0 || column >= cols())
        return {};
    if (row == 0)
        return m_labels.at(column);
    return m_cells.text(row - 1, column);
}

void ResultTable::setText(int row, int column, const QString &text)
{
    if (row < 0 || row >= rows() || column < 0 || column >= cols())
        return;
    if (row == 0) {
        m_labels[column] = text;
        Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
        return;
    }
    m_cells.setText(row - 1, column, text);
    noteText(column, text);
    const QModelIndex changed = index(row - 1, column);
    Q_EMIT dataChanged(changed, changed, { Qt::DisplayRole });
    if (column == 0)
        Q_EMIT headerDataChanged(Qt::Vertical, row - 1, row - 1);
}

int ResultTable::appendRow()
{
    const int row = int(m_cells.rowCount());
    beginInsertRows({}, row, row);
    m_cells.appendRow();
    endInsertRows();
    return row + 1;
}

void ResultTable::appendRows(const CellStore &block)
{
    if (block.rowCount() == 0)
        return;
    const int first = int(m_cells.rowCount());
    beginInsertRows({}, first, int(first + block.rowCount() - 1));
    m_cells.appendRowsFrom(block);
    endInsertRows();
    // A file load: one pass over lengths, the texts built only for a new widest.
    const int columns = std::min(block.columnCount(), cols());
    for (int column = 0; column < columns; ++column) {
        int widest = m_widestLength[std::size_t(column)];
        qsizetype widestRow = -1;
        for (qsizetype row = 0; row < block.rowCount(); ++row) {
            const int length = block.textLength(row, column);
            if (length > widest) {
                widest = length;
                widestRow = row;
            }
        }
        if (widestRow >= 0)
            noteText(column, block.text(widestRow, column));
    }
}

void ResultTable::noteText(int column, QStringView text)
{
    auto &widest = m_widestLength[std::size_t(column)];
    if (text.size() <= widest)
        return;
    widest = int(text.size());
    m_widestTexts[column] = text.toString();
    Q_EMIT columnWidened(column);
}

void ResultTable::forgetWidest()
{
    std::fill(m_widestLength.begin(), m_widestLength.end(), 0);
    for (QString &text : m_widestTexts)
        text.clear();
}

QString ResultTable::widestText(int column) const
{
    return column >= 0 && column < m_widestTexts.size() ? m_widestTexts.at(column) : QString();
}

void ResultTable::swapContents(ResultTable &other)
{
    beginResetModel();
    other.beginResetModel();
    std::swap(m_cells, other.m_cells);
    m_labels.swap(other.m_labels);
    m_widthTexts.swap(other.m_widthTexts);
    m_widestLength.swap(other.m_widestLength);
    m_widestTexts.swap(other.m_widestTexts);
    m_marks.swap(other.m_marks);
    m_markTexts.swap(other.m_markTexts);
    m_markTextIndex.swap(other.m_markTextIndex);
    m_unsettled.swap(other.m_unsettled);
    // Times and flags belong to the rows they came with.
    m_rowTimes.swap(other.m_rowTimes);
    m_flags.swap(other.m_flags);
    std::swap(m_names, other.m_names);
    other.endResetModel();
    endResetModel();
    Q_EMIT layoutReset();
    Q_EMIT other.layoutReset();
}

void ResultTable::setLayout(const GridLayout &layout)
{
    const int cols = layout.columnCount();
    if (cols != m_cells.columnCount()) {
        beginResetModel();
        m_cells.setColumnCount(cols);
        m_labels = layout.labels;
        m_widthTexts = layout.widthTexts;
        // Other channels in other columns: what was measured no longer applies.
        m_widestLength.assign(std::size_t(cols), 0);
        m_widestTexts = QStringList(cols);
        endResetModel();
    } else {
        m_labels = layout.labels;
        m_widthTexts = layout.widthTexts;
        if (cols > 0)
            Q_EMIT headerDataChanged(Qt::Horizontal, 0, cols - 1);
    }
    Q_EMIT layoutReset();
}

void ResultTable::setChannelNames(const ChannelNames &names)
{
    if (names == m_names)
        return;
    m_names = names;
    if (cols() > 0)
        Q_EMIT headerDataChanged(Qt::Horizontal, 0, cols() - 1);
    Q_EMIT channelNamesChanged();
}

int ResultTable::columnChannel(int column) const
{
    if (column < 0 || column >= m_labels.size() || !m_labels.at(column).startsWith(u"Ch "_s))
        return -1;
    bool ok = false;
    const int channel = QStringView(m_labels.at(column)).mid(3).toInt(&ok);
    return ok && channel >= 0 ? channel : -1;
}

QString ResultTable::widthText(int column) const
{
    return column >= 0 && column < m_widthTexts.size() ? m_widthTexts.at(column) : QString();
}

void ResultTable::markCell(int row, int column, const QString &why)
{
    if (row < 1 || row >= rows() || column < 0 || column >= cols())
        return;
    auto text = m_markTextIndex.constFind(why);
    if (text == m_markTextIndex.constEnd()) {
        text = m_markTextIndex.insert(why, quint32(m_markTexts.size()));
        m_markTexts << why;
    }
    const quint64 key = markKey(row, column);
    const auto at = std::lower_bound(m_marks.begin(), m_marks.end(), key,
                                     [](const Mark &mark, quint64 k) { return mark.key < k; });
    if (at != m_marks.end() && at->key == key)
        at->text = text.value();
    else
        m_marks.insert(at, Mark { key, text.value() });
    const QModelIndex changed = index(row - 1, column);
    Q_EMIT dataChanged(changed, changed,
                       { Qt::BackgroundRole, Qt::ForegroundRole, Qt::ToolTipRole });
}

void ResultTable::markUnsettled(int row, int column, const QString &why)
{
    if (row < 1 || row >= rows() || column < 0 || column >= cols())
        return;
    m_unsettled.insert(markKey(row, column), why);
    const QModelIndex changed = index(row - 1, column);
    Q_EMIT dataChanged(changed, changed,
                       { Qt::BackgroundRole, Qt::ForegroundRole, Qt::ToolTipRole });
}

void ResultTable::clearMarks()
{
    if (m_marks.empty() && m_unsettled.isEmpty())
        return;
    m_unsettled.clear();
    m_marks = {};
    m_markTexts.clear();
    m_markTextIndex.clear();
    if (rowCount() > 0 && columnCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                           { Qt::BackgroundRole, Qt::ForegroundRole, Qt::ToolTipRole });
}

void ResultTable::setRowTime(int row, const QDateTime &time)
{
    if (row < 1 || row >= rows())
        return;
    const auto index = std::size_t(row - 1);
    if (m_rowTimes.size() <= index)
        m_rowTimes.resize(index + 1, kNoTime);
    m_rowTimes[index] = time.isValid() ? time.toMSecsSinceEpoch() : kNoTime;
    Q_EMIT headerDataChanged(Qt::Vertical, row - 1, row - 1);
}

QDateTime ResultTable::rowTime(int row) const
{
    const auto index = std::size_t(row - 1);
    if (row < 1 || index >= m_rowTimes.size() || m_rowTimes[index] == kNoTime)
        return {};
    return QDateTime::fromMSecsSinceEpoch(m_rowTimes[index], Qt::UTC);
}

bool ResultTable::isMarked(int row, int column) const
{
    return findMark(markKey(row, column)) != nullptr;
}

const ResultTable::Mark *ResultTable::findMark(quint64 key) const
{
    const auto at = std::lower_bound(m_marks.begin(), m_marks.end(), key,
                                     [](const Mark &mark, quint64 k) { return mark.key < k; });
    return at != m_marks.end() && at->key == key ? &*at : nullptr;
}

void ResultTable::flagCell(int row, int column, QRgb colour, const QString &tip)
{
    if (row < 1 || row >= rows() || column < 0 || column >= cols())
        return;
    m_flags.insert(markKey(row, column), { colour, tip });
    if (m_quietFlags)
        return;
    const QModelIndex changed = index(row - 1, column);
    Q_EMIT dataChanged(changed, changed,
                       { Qt::BackgroundRole, Qt::ForegroundRole, Qt::ToolTipRole });
}

void ResultTable::clearFlags()
{
    if (m_flags.isEmpty())
        return;
    m_flags.clear();
    if (rowCount() > 0 && columnCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                           { Qt::BackgroundRole, Qt::ForegroundRole, Qt::ToolTipRole });
}

QColor ResultTable::fillOf(int row, int column) const
{
    if (isMarked(row, column))
        return QColor(255, 214, 214);
    const auto flag = m_flags.constFind(markKey(row, column));
    if (flag != m_flags.constEnd())
        return QColor(flag->colour);
    return isUnsettled(row, column) ? QColor(kUnsettledColour) : QColor();
}

void ResultTable::unflagCell(int row, int column)
{
    if (!m_flags.remove(markKey(row, column)) || m_quietFlags)
        return;
    const QModelIndex changed = index(row - 1, column);
    Q_EMIT dataChanged(changed, changed,
                       { Qt::BackgroundRole, Qt::ForegroundRole, Qt::ToolTipRole });
}

void ResultTable::endFlagUpdate()
{
    m_quietFlags = false;
    if (rowCount() > 0 && columnCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                           { Qt::BackgroundRole, Qt::ForegroundRole, Qt::ToolTipRole });
}

std::optional<QRgb> ResultTable::flagColour(int row, int column) const
{
    const auto flag = m_flags.constFind(markKey(row, column));
    return flag == m_flags.constEnd() ? std::nullopt : std::optional<QRgb>(flag->colour);
}

bool ResultTable::isFlagged(int row, int column) const
{
    return m_flags.contains(markKey(row, column));
}

QString ResultTable::flagTip(int row, int column) const
{
    const auto found = m_flags.constFind(markKey(row, column));
    return found == m_flags.constEnd() ? QString() : found->tip;
}

int ResultTable::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rows() - 1;
}

int ResultTable::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : cols();
}

QVariant ResultTable::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return m_cells.text(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignCenter);
    case Qt::BackgroundRole: {
        const QColor fill = fillOf(index.row() + 1, index.column());
        return fill.isValid() ? QVariant(QBrush(fill)) : QVariant();
    }
    case Qt::ForegroundRole: {
        // A light theme's text colour would vanish on a light fill under a dark theme.
        const QColor fill = fillOf(index.row() + 1, index.column());
        return fill.isValid() ? QVariant(QBrush(TextContrast::textOn(fill))) : QVariant();
    }
    case Qt::ToolTipRole: {
        const quint64 key = markKey(index.row() + 1, index.column());
        const Mark *mark = findMark(key);
        const auto flag = m_flags.constFind(key);
        QStringList tips;
        if (mark)
            tips << m_markTexts.at(mark->text);
        if (flag != m_flags.constEnd())
            tips << flag->tip;
        const auto unsettled = m_unsettled.constFind(key);
        if (unsettled != m_unsettled.constEnd())
            tips << unsettled.value();
        return tips.isEmpty() ? QVariant() : QVariant(tips.join(u'\n'));
    }
    default:
        return {};
    }
}

QVariant ResultTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignCenter);
    if (role == Qt::ToolTipRole && orientation == Qt::Horizontal) {
        const int channel = columnChannel(section);
        const QString tip = channel >= 0 ? m_names.toolTip(channel) : QString();
        return tip.isEmpty() ? QVariant() : QVariant(tip);
    }
    if (role == Qt::ToolTipRole && orientation == Qt::Vertical) {
        const QDateTime time = rowTime(section + 1);
        return time.isValid() ? QVariant(time.toLocalTime().toString(u"yyyy-MM-dd HH:mm:ss.zzz"_s))
                              : QVariant();
    }
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < cols() ? m_labels.at(section) : QVariant();
    return section >= 0 && section < rowCount() && cols() > 0 ? m_cells.text(section, 0)
                                                              : QVariant();
}
