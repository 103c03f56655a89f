#pragma once

#include <QDialog>

class Dialogs;
class QPushButton;
class QTableView;
class ScanHistoryModel;
class ScanRecord;

// Scan History: the stored scans, newest first. Delete is done here, after a
// question; Open and Export close the dialog and leave the work to the caller,
// which reads choice() and chosenScan().
class frmScanHistory : public QDialog
{
    Q_OBJECT
public:
    enum class Choice { None, Open, ExportCsv };

    frmScanHistory(ScanRecord &record, Dialogs &dialogs, QWidget *parent = nullptr);

    Choice choice() const { return m_choice; }
    qint64 chosenScan() const { return m_chosen; }

    // Re-reads the list from the record, keeping the selected scan if it is still there.
    void refresh();
    void selectScan(qint64 id);
    // The selected scan's id, or -1.
    qint64 selectedScan() const;

    void cmdOpen_Click();
    void cmdDelete_Click();
    void cmdExport_Click();

private:
    void choose(Choice choice);
    void applyButtonStates();

    ScanRecord &m_record;
    Dialogs &m_dialogs;
    ScanHistoryModel *m_model = nullptr;
    QTableView *grdScans = nullptr;
    QPushButton *cmdOpen = nullptr;
    QPushButton *cmdDelete = nullptr;
    QPushButton *cmdExport = nullptr;
    QPushButton *cmdClose = nullptr;
    Choice m_choice = Choice::None;
    qint64 m_chosen = -1;
};
