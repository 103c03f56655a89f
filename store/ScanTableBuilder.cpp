#include "ScanTableBuilder.h"

#include "GridLayout.h"
#include "ResultTable.h"
#include "ScanRecord.h"
#include "SettleCheck.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Every pass records a reading per channel, given up ones included: passes
// missing by the thousand are no gap the program leaves, and a row per pass
// up to a pass number of two billion would take all memory.
constexpr int kMaxPassGap = 1000;

} // namespace

ScanTableBuilder::ScanTableBuilder(int startChannel, int endChannel)
    : m_startChannel(std::clamp(startChannel, 0, kLastStoredChannel))
    , m_endChannel(std::clamp(endChannel, m_startChannel, kLastStoredChannel))
    , m_columns(gridLayoutFor(m_startChannel, m_endChannel).columnCount())
    , m_cells(m_columns)
{ }

void ScanTableBuilder::add(const Reading &reading)
{
    // Manual readings and channels outside the range have no cell.
    if (reading.pass <= 0 || reading.channel < m_startChannel || reading.channel > m_endChannel)
        return;
    if (reading.pass > m_cells.rowCount() + kMaxPassGap) {
        if (m_fault.isEmpty())
            m_fault = u"pass %1 follows pass %2"_s.arg(reading.pass).arg(m_cells.rowCount());
        return;
    }
    const int column = reading.channel - m_startChannel + 1;
    while (m_cells.rowCount() < reading.pass) {
        m_cells.appendRow();
        const qsizetype row = m_cells.rowCount() - 1;
        m_cells.setText(row, 0, QString::number(row + 1));
        // A pass with no reading of its own has no time.
        m_rowTimes.push_back(row + 1 == reading.pass ? reading.time.toMSecsSinceEpoch() : kNoTime);
        m_rowHasValue.push_back(false);
        m_lastRowMarks = 0;
    }
    const qsizetype row = reading.pass - 1;
    if (reading.taken()) {
        m_cells.setText(row, column, reading.value);
        if (!m_rowHasValue[std::size_t(row)]) {
            m_rowHasValue[std::size_t(row)] = true;
            m_cells.setText(row, m_columns - 1, reading.unit);
        }
        if (reading.settleQueries > 0 && !reading.settled)
            m_marks.append({ int(row + 1), column, SettleText::unsettledTip(reading), true });
    } else if (reading.givenUp) {
        m_marks.append({ int(row + 1), column, reading.failureText() });
        if (row == m_cells.rowCount() - 1)
            ++m_lastRowMarks;
    }
}

void ScanTableBuilder::finish(ResultTable &table, bool stopped)
{
    // Stop removes the row of a pass that holds no value yet; a pass that ran
    // to its end with every cell given up keeps its row.
    const qsizetype rows = m_cells.rowCount();
    const int channels = m_columns - 2;
    if (stopped && rows > 0 && !m_rowHasValue.back() && m_lastRowMarks < channels) {
        m_cells.truncate(rows - 1);
        m_marks.removeIf([rows](const Mark &mark) { return mark.row == rows; });
    }
    table.setRows(1);
    table.clearMarks();
    table.setLayout(gridLayoutFor(m_startChannel, m_endChannel));
    table.appendRows(m_cells);
    for (const Mark &mark : std::as_const(m_marks))
        if (mark.unsettled)
            table.markUnsettled(mark.row, mark.column, mark.why);
        else
            table.markCell(mark.row, mark.column, mark.why);
    for (qsizetype row = 0; row < m_cells.rowCount(); ++row) {
        if (m_rowTimes[std::size_t(row)] != kNoTime)
            table.setRowTime(int(row + 1),
                             QDateTime::fromMSecsSinceEpoch(m_rowTimes[std::size_t(row)], Qt::UTC));
    }
}

bool restoreScan(ScanRecord &record, qint64 id, ResultTable &table, QString *why)
{
    const std::optional<ScanSummary> scan = record.scan(id);
    if (!scan)
        return false;
    QString fault = scanFault(*scan);
    if (!fault.isEmpty()) {
        if (why)
            *why = fault;
        return false;
    }
    ScanTableBuilder builder(scan->info.startChannel, scan->info.endChannel);
    if (!record.readScan(id, [&builder](const Reading &reading) { builder.add(reading); }))
        return false;
    if (!builder.fault().isEmpty()) {
        if (why)
            *why = builder.fault();
        return false;
    }
    builder.finish(table, scan->state != ScanState::Running);
    table.setChannelNames(scan->info.names);
    return true;
}
