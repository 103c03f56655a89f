#include "ZeroedTable.h"

#include "GridLayout.h"
#include "NumberText.h"
#include "ResultTable.h"
#include "ZeroHistory.h"

#include <vector>

using namespace Qt::StringLiterals;

int passOfRow(const ResultTable &table, int row)
{
    bool ok = false;
    const int pass = table.text(row, 0).toInt(&ok);
    return ok ? pass : row;
}

int channelOfLabel(const QString &label)
{
    if (!label.startsWith(u"Ch "_s))
        return -1;
    bool ok = false;
    const int channel = label.mid(3).trimmed().toInt(&ok);
    return ok ? channel : -1;
}

void copyZeroed(const ResultTable &from, ResultTable &to, const ZeroHistory *zero, int firstPass)
{
    const int cols = from.cols();
    GridLayout layout;
    std::vector<int> channels;
    for (int column = 0; column < cols; ++column) {
        layout.labels += from.text(0, column);
        layout.widthTexts += from.widthText(column);
        channels.push_back(channelOfLabel(layout.labels.last()));
    }
    to.setRows(1);
    to.setLayout(layout);
    CellStore block(cols);
    std::vector<int> rows;
    for (int row = 1; row < from.rows(); ++row) {
        const int pass = passOfRow(from, row);
        if (pass < firstPass)
            continue;
        const QString unit = from.text(row, cols - 1);
        block.appendRow();
        rows.push_back(row);
        for (int column = 0; column < cols; ++column) {
            const QString text = from.text(row, column);
            block.setText(block.rowCount() - 1, column,
                          zero && channels[std::size_t(column)] >= 0 && !text.isEmpty()
                              ? zero->zeroed(pass, channels[std::size_t(column)], text, unit)
                              : text);
        }
    }
    to.appendRows(block);
    for (std::size_t i = 0; i < rows.size(); ++i)
        to.setRowTime(int(i) + 1, from.rowTime(rows[i]));
}
