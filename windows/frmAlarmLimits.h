#pragma once

#include "AlarmLimits.h"

#include <QDialog>

class QLabel;
class QTableWidget;

// Set > Alarm Limits: low and high per channel of the range, empty for none.
// "Apply to all" copies the selected row's limits to every channel; Ctrl+V or
// the Paste button takes tab-separated rows copied from a spreadsheet, starting
// at the current cell. OK is refused while a cell does not read as a number or a
// low limit lies above its high one.
class frmAlarmLimits : public QDialog
{
    Q_OBJECT
public:
    frmAlarmLimits(const AlarmLimits &limits, int firstChannel, int lastChannel,
                   QWidget *parent = nullptr);

    // The limits as entered; valid after the dialog was accepted.
    AlarmLimits limits() const { return m_limits; }

    void applyToAll();
    // Pastes tab-separated text at the current cell.
    void paste(const QString &text);

public Q_SLOTS:
    void accept() override;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    // Reads the table; false, with the reason shown, when a cell is wrong.
    bool readTable(AlarmLimits *limits);

    QTableWidget *m_table = nullptr;
    QLabel *m_error = nullptr;
    AlarmLimits m_limits;
    int m_first = 0;
    int m_last = -1;
};
