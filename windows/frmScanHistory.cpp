#include "frmScanHistory.h"

#include "Dialogs.h"
#include "OpenScanRecord.h"
#include "ScanHistoryModel.h"
#include "ScanRecord.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

frmScanHistory::frmScanHistory(ScanRecord &record, Dialogs &dialogs, QWidget *parent)
    : QDialog(parent), m_record(record), m_dialogs(dialogs)
{
    setObjectName(u"frmScanHistory"_s);
    setWindowTitle(tr("Scan History"));

    m_model = new ScanHistoryModel(this);
    grdScans = new QTableView(this);
    grdScans->setObjectName(u"grdScans"_s);
    grdScans->setModel(m_model);
    grdScans->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdScans->setSelectionMode(QAbstractItemView::SingleSelection);
    grdScans->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdScans->verticalHeader()->hide();
    grdScans->horizontalHeader()->setStretchLastSection(true);

    cmdOpen = new QPushButton(tr("&Open"), this);
    cmdOpen->setObjectName(u"cmdOpen"_s);
    cmdDelete = new QPushButton(tr("&Delete..."), this);
    cmdDelete->setObjectName(u"cmdDelete"_s);
    cmdExport = new QPushButton(tr("Export &CSV..."), this);
    cmdExport->setObjectName(u"cmdExport"_s);
    cmdClose = new QPushButton(tr("Close"), this);
    cmdClose->setObjectName(u"cmdClose"_s);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdOpen);
    buttons->addWidget(cmdDelete);
    buttons->addWidget(cmdExport);
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(grdScans, 1);
    // On a lab's server, this id tells the rig apart from a clone of its
    // machine with the same host name.
    if (const QString rig = recordRigId(&record); !rig.isEmpty()) {
        auto *lblRig = new QLabel(tr("This rig: %1").arg(rig), this);
        lblRig->setObjectName(u"lblRig"_s);
        lblRig->setTextInteractionFlags(Qt::TextSelectableByMouse);
        layout->addWidget(lblRig);
    }
    layout->addLayout(buttons);
    resize(900, 400);

    connect(cmdOpen, &QPushButton::clicked, this, &frmScanHistory::cmdOpen_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmScanHistory::cmdDelete_Click);
    connect(cmdExport, &QPushButton::clicked, this, &frmScanHistory::cmdExport_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(grdScans, &QTableView::doubleClicked, this, &frmScanHistory::cmdOpen_Click);
    refresh();
}

void frmScanHistory::refresh()
{
    const qint64 selected = selectedScan();
    m_model->setScans(m_record.listScans());
    grdScans->resizeColumnsToContents();
    if (m_model->rowCount() > 0)
        grdScans->selectRow(0);
    if (selected >= 0)
        selectScan(selected);
    // The selection model changes with the model's reset.
    connect(grdScans->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &frmScanHistory::applyButtonStates, Qt::UniqueConnection);
    applyButtonStates();
}

void frmScanHistory::selectScan(qint64 id)
{
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (m_model->scan(row).id == id) {
            grdScans->selectRow(row);
            return;
        }
    }
}

qint64 frmScanHistory::selectedScan() const
{
    const QModelIndexList rows = grdScans->selectionModel()
        ? grdScans->selectionModel()->selectedRows()
        : QModelIndexList();
    return rows.isEmpty() ? -1 : m_model->scan(rows.first().row()).id;
}

void frmScanHistory::applyButtonStates()
{
    const bool any = selectedScan() >= 0;
    cmdOpen->setEnabled(any);
    cmdDelete->setEnabled(any);
    cmdExport->setEnabled(any);
}

void frmScanHistory::choose(Choice choice)
{
    const qint64 id = selectedScan();
    if (id < 0)
        return;
    m_choice = choice;
    m_chosen = id;
    accept();
}

void frmScanHistory::cmdOpen_Click()
{
    choose(Choice::Open);
}

void frmScanHistory::cmdExport_Click()
{
    choose(Choice::ExportCsv);
}

void frmScanHistory::cmdDelete_Click()
{
    const QModelIndexList rows = grdScans->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    const ScanSummary scan = m_model->scan(rows.first().row());
    // Its readings are still being written.
    if (scan.id == m_record.currentScan()) {
        m_dialogs.message(QMessageBox::Information, tr("Scan History"),
                          tr("The scan now under way cannot be deleted."), QMessageBox::Ok,
                          QMessageBox::Ok);
        return;
    }
    const QString question
        = tr("Delete the scan started %1 (%2, %3 readings)?\nIt cannot be restored.")
              .arg(ScanHistoryModel::localTimeText(scan.info.start),
                   scan.passes == 1 ? tr("1 pass") : tr("%1 passes").arg(scan.passes))
              .arg(scan.readings);
    if (m_dialogs.message(QMessageBox::Question, tr("Delete"), question,
                          QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        != QMessageBox::Yes)
        return;
    if (!m_record.deleteScan(scan.id))
        m_dialogs.message(QMessageBox::Warning, tr("Delete"),
                          tr("The scan was not deleted: %1").arg(m_record.errorString()),
                          QMessageBox::Ok, QMessageBox::Ok);
    refresh();
}
