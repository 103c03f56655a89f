#pragma once

#include <QCoreApplication>
#include <QDateTime>
#include <QString>

class Dialogs;
class DocumentHost;
class FileCommands;
class QWidget;
class ResultDocument;
class ResultTable;
class ScanSession;
class ZeroCommands;
class ZeroHistory;

// Scan History and Export CSV: stored scans opened into the table as Open
// opens a file, deleted, or exported, and the table written as CSV.
class HistoryCommands
{
    Q_DECLARE_TR_FUNCTIONS(HistoryCommands)

public:
    HistoryCommands(ScanSession &session, ResultDocument &document, FileCommands &files,
                    Dialogs &dialogs, DocumentHost &host);

    // File > Scan History...: the dialog, then what was chosen in it.
    void showHistory(QWidget *parent);
    // File > Export CSV...: the table as it is now.
    bool exportTable();

    // Replaces the table with stored scan id after unsaved results were
    // offered for saving; false (table untouched) when it was not opened.
    bool openScan(qint64 id);
    bool exportScan(qint64 id);

    // Where the zeros of the table and of stored scans come from; none by default.
    void setZeroCommands(ZeroCommands *zero) { m_zero = zero; }

    // "VESTRA-IP -[Scan 2026-12-07 11:30:05]": the scan by its local start time.
    static QString scanTitle(const QDateTime &start);

private:
    bool exportTo(const ResultTable &table, bool simulated, const ZeroHistory *zero);
    // The stored scan id was taken on the simulated scanner.
    bool isSimulated(qint64 id) const;

    ScanSession &m_session;
    ResultDocument &m_document;
    FileCommands &m_files;
    Dialogs &m_dialogs;
    DocumentHost &m_host;
    ZeroCommands *m_zero = nullptr;
};
