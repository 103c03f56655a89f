#include "FileCommands.h"

#include "ZeroedTable.h"

#include "Dialogs.h"
#include "DocumentHost.h"
#include "EventPump.h"
#include "LogCategories.h"
#include "ResultDocument.h"
#include "ResultFileReader.h"
#include "ResultFileWriter.h"
#include "ResultTable.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {
// Functions, not constants: the texts follow the translation installed at start-up.
QString textFilter()
{
    return FileCommands::tr("Text File (*.txt)");
}

QString fileFilter()
{
#ifdef Q_OS_WIN
    return textFilter() + FileCommands::tr(";;All File (*.*)");
#else
    // "*.*" would hide names without a dot here.
    return textFilter() + FileCommands::tr(";;All File (*)");
#endif
}
} // namespace

FileCommands::FileCommands(ResultDocument &document, Dialogs &dialogs, EventPump &events,
                           DocumentHost &host)
    : m_document(document), m_dialogs(dialogs), m_events(events), m_host(host)
{ }

bool FileCommands::Unsaved() const
{
    return m_document.isUnsaved();
}

QString FileCommands::fileTitle(const QString &path)
{
    // Both separators count, so a Windows path names the same file title here.
    const qsizetype folderEnd = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    const QString name = path.mid(folderEnd + 1);
    return u"VESTRA-IP -[Data  "_s + name.chopped(std::min<qsizetype>(4, name.size())) + u"]"_s;
}

qint64 FileCommands::emptyChannelCells(const ResultTable &table)
{
    const CellStore &cells = table.dataCells();
    // Column 0 holds the ID and the last column the unit.
    const int lastChannelColumn = cells.columnCount() - 2;
    qint64 empty = 0;
    for (qsizetype row = 0; row < cells.rowCount(); ++row) {
        for (int column = 1; column <= lastChannelColumn; ++column)
            empty += cells.isEmpty(row, column) ? 1 : 0;
    }
    return empty;
}

bool FileCommands::offerToSave()
{
    if (!m_document.isUnsaved())
        return true;
    const auto answer = m_dialogs.message(
        QMessageBox::Question, tr("Save"), tr("Will you save previous results?"),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (answer == QMessageBox::Cancel)
        return false;
    // A save that was cancelled or failed stops the command as Cancel does:
    // going on would throw the results away.
    if (answer == QMessageBox::No) {
        m_document.markDiscarded();
        return true;
    }
    return Save() == SaveOutcome::Saved;
}

void FileCommands::New()
{
    if (!offerToSave())
        return;
    m_host.enterIdleState();
}

void FileCommands::Open()
{
    if (!offerToSave())
        return;
    const QString path = m_dialogs.openFileName(tr("Open"), fileFilter());
    if (!path.isEmpty())
        load(path);
}

void FileCommands::Open(const QString &path)
{
    if (!path.isEmpty() && offerToSave())
        load(path);
}

QString FileCommands::droppedFile(const QMimeData *data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1)
        return {};
    const QUrl url = data->urls().constFirst();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

void FileCommands::load(const QString &path)
{
    m_host.setBusy(true);
    ResultTable loaded;
    ResultFileReader reader(loaded);
    reader.setProgressHandler([this](qint64 done, qint64 total) {
        const bool goOn = m_host.showLoadProgress(done, total);
        m_events.processEvents();
        return goOn;
    });
    const ResultFileReader::Outcome outcome = reader.read(path);
    m_host.setBusy(false);
    // Only a file read whole replaces the table; otherwise the table, its
    // caption and Start stay as they were.
    switch (outcome) {
    case ResultFileReader::Outcome::Loaded:
        qCInfo(lcFiles, "opened %s: %d rows", qUtf8Printable(path), loaded.rows() - 1);
        // A scan must not append to rows from a file.
        m_document.replace(loaded, { fileTitle(path), -1, false, loaded.rows() > 1 });
        if (m_fileKept)
            m_fileKept(path);
        break;
    case ResultFileReader::Outcome::Rejected:
        qCWarning(lcFiles, "%s refused: %s", qUtf8Printable(path),
                  qUtf8Printable(reader.errorString()));
        m_dialogs.message(QMessageBox::Critical, tr("Error"),
                          tr("File Error !!\n%1\n%2").arg(path, reader.errorString()),
                          QMessageBox::Ok, QMessageBox::Ok);
        break;
    case ResultFileReader::Outcome::Failed:
        qCWarning(lcFiles, "%s not loaded: %s", qUtf8Printable(path),
                  qUtf8Printable(reader.errorString()));
        m_dialogs.message(QMessageBox::Warning, tr("Open"),
                          tr("%1 was not loaded.\n%2").arg(path, reader.errorString()),
                          QMessageBox::Ok, QMessageBox::Ok);
        break;
    case ResultFileReader::Outcome::Cancelled:
        break;
    }
}

QString FileCommands::chooseSavePath()
{
    for (;;) {
        const Dialogs::SaveChoice choice = m_dialogs.chooseSaveFile(tr("Save"), fileFilter());
        // A name typed without a suffix under the text filter is a text file,
        // where the dialog has not already added the suffix itself.
        if (choice.path.isEmpty() || choice.filter != textFilter()
            || QFileInfo(choice.path).fileName().contains(u'.'))
            return choice.path;
        const QString path = choice.path + u".txt"_s;
        // The dialog asked about the name as typed, not about this one; no
        // goes back to the dialog, as it does there.
        if (!QFileInfo::exists(path)
            || m_dialogs.message(QMessageBox::Warning, tr("Save"),
                                 tr("%1 already exists.\nDo you want to replace it?").arg(path),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
                == QMessageBox::Yes)
            return path;
    }
}

FileCommands::SaveOutcome FileCommands::Save()
{
    const ZeroHistory *zero = m_zeroSource ? m_zeroSource() : nullptr;
    bool zeroed = false;
    if (zero) {
        const QMessageBox::StandardButton answer = m_dialogs.message(
            QMessageBox::Question, tr("Save"),
            tr("These results have zero offsets. Save the values zeroed?\n\n"
               "Yes saves each reading minus its channel's offset; No saves the readings "
               "as read. The file does not say which it holds."),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::No);
        if (answer == QMessageBox::Cancel)
            return SaveOutcome::Cancelled;
        zeroed = answer == QMessageBox::Yes;
    }
    const QString path = chooseSavePath();
    if (path.isEmpty())
        return SaveOutcome::Cancelled;
    m_host.setBusy(true);
    const ResultTable &table = m_document.table();
    ResultTable zeroedTable;
    if (zeroed)
        copyZeroed(table, zeroedTable, zero);
    ResultFileWriter writer;
    const bool written = writer.write(path, zeroed ? zeroedTable : table);
    m_host.setBusy(false);
    if (!written) {
        // The previous file, if any, is still intact: the new one replaces it
        // only once it has been written whole.
        qCWarning(lcFiles, "saving %s failed: %s", qUtf8Printable(path),
                  qUtf8Printable(writer.errorString()));
        m_dialogs.message(
            QMessageBox::Critical, tr("Save"),
            tr("The results were not saved to %1: %2").arg(path, writer.errorString()),
            QMessageBox::Ok, QMessageBox::Ok);
        return SaveOutcome::Failed;
    }
    qCInfo(lcFiles, "saved %d rows to %s", table.rows() - 1, qUtf8Printable(path));
    m_document.markSaved(path, fileTitle(path));
    if (m_fileKept)
        m_fileKept(path);
    m_emptyCellsWritten = emptyChannelCells(table);
    // The file cannot tell a 0 that was read from a cell never read: say how
    // many of its zeros are the latter.
    if (m_emptyCellsWritten > 0)
        m_host.showNotice(
            m_emptyCellsWritten == 1
                ? tr("1 cell without a reading was written as 0")
                : tr("%1 cells without a reading were written as 0").arg(m_emptyCellsWritten));
    return SaveOutcome::Saved;
}
