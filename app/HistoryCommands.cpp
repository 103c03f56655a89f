#include "HistoryCommands.h"

#include "CsvExport.h"
#include "Dialogs.h"
#include "DocumentHost.h"
#include "FileCommands.h"
#include "PortMap.h"
#include "ResultDocument.h"
#include "ResultTable.h"
#include "ScanHistoryModel.h"
#include "ScanRecord.h"
#include "ScanSession.h"
#include "ScanTableBuilder.h"
#include "ZeroCommands.h"
#include "frmScanHistory.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

HistoryCommands::HistoryCommands(ScanSession &session, ResultDocument &document,
                                 FileCommands &files, Dialogs &dialogs, DocumentHost &host)
    : m_session(session), m_document(document), m_files(files), m_dialogs(dialogs), m_host(host)
{ }

QString HistoryCommands::scanTitle(const QDateTime &start)
{
    return u"VESTRA-IP -[Scan "_s + ScanHistoryModel::localTimeText(start) + u"]"_s;
}

void HistoryCommands::showHistory(QWidget *parent)
{
    ScanRecord *record = m_session.record();
    // An empty list would say that nothing was ever kept.
    if (!record || !record->isWorking()) {
        m_dialogs.message(QMessageBox::Information, tr("Scan History"),
                          record
                              ? tr("The scan record cannot be read: %1").arg(record->errorString())
                              : tr("Scans are not being kept on disk."),
                          QMessageBox::Ok, QMessageBox::Ok);
        return;
    }
    frmScanHistory history(*record, m_dialogs, parent);
    if (history.exec() != QDialog::Accepted)
        return;
    switch (history.choice()) {
    case frmScanHistory::Choice::Open:
        openScan(history.chosenScan());
        break;
    case frmScanHistory::Choice::ExportCsv:
        exportScan(history.chosenScan());
        break;
    case frmScanHistory::Choice::None:
        break;
    }
}

bool HistoryCommands::openScan(qint64 id)
{
    ScanRecord *record = m_session.record();
    // A running scan owns the table.
    if (!record || m_session.isScanning())
        return false;
    const std::optional<ScanSummary> scan = record->scan(id);
    if (!scan) {
        m_dialogs.message(QMessageBox::Warning, tr("Scan History"),
                          tr("The scan was not opened: %1").arg(record->errorString()),
                          QMessageBox::Ok, QMessageBox::Ok);
        return false;
    }
    if (!m_files.offerToSave())
        return false;
    m_host.setBusy(true);
    // Read aside first: a scan that cannot be read leaves the table as it was.
    ResultTable restored;
    QString fault;
    const bool read = restoreScan(*record, id, restored, &fault);
    m_host.setBusy(false);
    if (!read) {
        m_dialogs.message(QMessageBox::Warning, tr("Scan History"),
                          tr("The scan started %1 was not opened: %2")
                              .arg(ScanHistoryModel::localTimeText(scan->info.start),
                                   fault.isEmpty() ? record->errorString() : fault),
                          QMessageBox::Ok, QMessageBox::Ok);
        return false;
    }
    // A scan must not append to a stored scan's rows, as to a file's.
    m_document.replace(restored, { scanTitle(scan->info.start), id, false, true });
    return true;
}

bool HistoryCommands::exportTable()
{
    return exportTo(m_document.table(), isSimulated(m_document.storedScan()),
                    m_zero ? m_zero->tableZero() : nullptr);
}

bool HistoryCommands::isSimulated(qint64 id) const
{
    ScanRecord *record = m_session.record();
    const std::optional<ScanSummary> scan
        = record && id >= 0 ? record->scan(id) : std::optional<ScanSummary>();
    return scan && PortMap::isSimulatedPortName(scan->info.portName);
}

bool HistoryCommands::exportScan(qint64 id)
{
    ScanRecord *record = m_session.record();
    if (!record)
        return false;
    ResultTable table;
    if (!restoreScan(*record, id, table)) {
        m_dialogs.message(QMessageBox::Warning, tr("Export CSV"),
                          tr("The scan could not be read: %1").arg(record->errorString()),
                          QMessageBox::Ok, QMessageBox::Ok);
        return false;
    }
    return exportTo(table, isSimulated(id), m_zero ? m_zero->storedZero(id) : nullptr);
}

bool HistoryCommands::exportTo(const ResultTable &table, bool simulated, const ZeroHistory *zero)
{
    if (zero) {
        const QMessageBox::StandardButton answer = m_dialogs.message(
            QMessageBox::Question, tr("Export CSV"),
            tr("These results have zero offsets. Export the values zeroed?\n\n"
               "Yes writes each reading minus its channel's offset, with a column that says "
               "which zero applied; No writes the readings as read."),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
        if (answer == QMessageBox::Cancel)
            return false;
        if (answer == QMessageBox::No)
            zero = nullptr;
    }
    QString path = m_dialogs.saveFileName(tr("Export CSV"), tr("CSV File (*.csv);;All File (*)"));
    if (path.isEmpty())
        return false;
    // The save dialog asked about the name as typed; one that gains its
    // suffix here may name another file, so ask about that one too.
    if (QFileInfo(path).suffix().isEmpty()) {
        path += u".csv"_s;
        if (QFileInfo::exists(path)
            && m_dialogs.message(QMessageBox::Question, tr("Export CSV"),
                                 tr("%1 already exists.\nDo you want to replace it?").arg(path),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
                != QMessageBox::Yes)
            return false;
    }
    m_host.setBusy(true);
    QString error;
    const bool written = writeCsvFile(path, table, &error, simulated, zero);
    m_host.setBusy(false);
    if (!written) {
        m_dialogs.message(QMessageBox::Critical, tr("Export CSV"),
                          tr("The CSV file %1 was not written: %2").arg(path, error),
                          QMessageBox::Ok, QMessageBox::Ok);
        return false;
    }
    m_host.showNotice(tr("Exported to %1").arg(path));
    return true;
}
