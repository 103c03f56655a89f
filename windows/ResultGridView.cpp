#include "ResultGridView.h"

#include "ResultTable.h"

#include <QAbstractButton>
#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QStyleOptionHeader>

#include <algorithm>

ResultGridView::ResultGridView(ResultTable &table, QWidget *parent)
    : QTableView(parent), m_table(table)
{
    setModel(&m_table);
    setColumnHidden(0, true);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    setGridStyle(Qt::SolidLine);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    if (auto *corner = findChild<QAbstractButton *>()) {
        m_corner = corner;
        corner->installEventFilter(this);
        connect(&m_table, &QAbstractItemModel::headerDataChanged, corner,
                qOverload<>(&QWidget::update));
    }
    connect(&m_table, &ResultTable::layoutReset, this, &ResultGridView::fitColumnWidths);
    connect(&m_table, &ResultTable::columnWidened, this, &ResultGridView::widenColumn);
}

void ResultGridView::showRow(int row)
{
    scrollTo(m_table.index(row - 1, 1), QAbstractItemView::PositionAtBottom);
}

int ResultGridView::neededWidth(int column) const
{
    const QFontMetrics metrics(font());
    const int padding = 2 * style()->pixelMetric(QStyle::PM_HeaderMargin) + 2;
    return std::max(metrics.horizontalAdvance(m_table.widthText(column)),
                    metrics.horizontalAdvance(m_table.widestText(column)))
        + padding;
}

void ResultGridView::fitColumnWidths()
{
    setColumnHidden(0, true);
    for (int column = 1; column < m_table.cols(); ++column)
        setColumnWidth(column, neededWidth(column));
    verticalHeader()->setFixedWidth(neededWidth(0));
}

void ResultGridView::widenColumn(int column)
{
    // Called only when a column's widest text grew: a few times a scan, not
    // once a reading. A column the user made wider stays as wide.
    const int needed = neededWidth(column);
    if (column == 0) {
        if (needed > verticalHeader()->width())
            verticalHeader()->setFixedWidth(needed);
    } else if (needed > columnWidth(column)) {
        setColumnWidth(column, needed);
    }
}

bool ResultGridView::eventFilter(QObject *watched, QEvent *event)
{
    // The corner above the IDs carries the ID column's label.
    if (watched == m_corner && event->type() == QEvent::Paint) {
        QStyleOptionHeader option;
        option.initFrom(m_corner);
        option.rect = m_corner->rect();
        option.text = m_table.text(0, 0);
        option.textAlignment = Qt::AlignCenter;
        option.position = QStyleOptionHeader::OnlyOneSection;
        QPainter painter(m_corner);
        m_corner->style()->drawControl(QStyle::CE_Header, &option, &painter, m_corner);
        return true;
    }
    return QTableView::eventFilter(watched, event);
}
