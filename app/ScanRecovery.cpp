#include "ScanRecovery.h"

#include "Dialogs.h"
#include "ScanRecord.h"
#include "ScanTableBuilder.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("ScanRecovery", text);
}

QString localTime(const QDateTime &utc)
{
    return utc.toLocalTime().toString(u"yyyy-MM-dd HH:mm:ss"_s);
}

} // namespace

qint64 ScanRecovery::offer(ScanRecord &record, Dialogs &dialogs, ResultTable &table)
{
    for (const ScanSummary &scan : record.unfinishedScans()) {
        // A damaged record's impossible scan is said once and not offered
        // again; restoring it could take all memory.
        QString fault = scanFault(scan);
        if (fault.isEmpty()) {
            const QString question
                = tr("The scan started %1 on %2 (%3, %4 readings) was not saved. Restore it?")
                      .arg(localTime(scan.info.start), scan.info.portName,
                           scan.passes == 1 ? tr("1 pass") : tr("%1 passes").arg(scan.passes))
                      .arg(scan.readings);
            const auto answer
                = dialogs.message(QMessageBox::Question, tr("Recover Scan"), question,
                                  QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
            if (answer != QMessageBox::Yes) {
                record.markDiscarded(scan.id);
                continue;
            }
            if (restoreScan(record, scan.id, table, &fault))
                return scan.id;
            if (fault.isEmpty()) {
                dialogs.message(QMessageBox::Warning, tr("Recover Scan"),
                                tr("The scan could not be read back: %1").arg(record.errorString()),
                                QMessageBox::Ok, QMessageBox::Ok);
                return -1;
            }
        }
        dialogs.message(QMessageBox::Warning, tr("Recover Scan"),
                        tr("The scan started %1 in the record cannot be restored (%2). It is "
                           "not offered again.")
                            .arg(localTime(scan.info.start), fault),
                        QMessageBox::Ok, QMessageBox::Ok);
        record.markDiscarded(scan.id);
    }
    return -1;
}

QString ScanRecovery::caption(ScanRecord &record, qint64 id)
{
    const auto scan = record.scan(id);
    return tr("VESTRA-IP -[Recovered scan %1]").arg(scan ? localTime(scan->info.start) : QString());
}
