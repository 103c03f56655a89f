#pragma once

#include <QTableView>

class ResultTable;

// The result table on screen: the ID column as the vertical header, the labels
// as the horizontal header, the ID column's label in the corner, and columns
// as wide as their width texts or the widest reading they hold, whichever is
// wider. Columns only grow as readings arrive; the user may still resize them.
class ResultGridView : public QTableView
{
    Q_OBJECT
public:
    explicit ResultGridView(ResultTable &table, QWidget *parent = nullptr);

    // Brings a row into view at the bottom, as the newest pass begins.
    void showRow(int row);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fitColumnWidths();
    void widenColumn(int column);
    int neededWidth(int column) const;

    ResultTable &m_table;
    QWidget *m_corner = nullptr;
};
