#include "FileCommands.h"

#include "Dialogs.h"
#include "DocumentHost.h"
#include "EventPump.h"
#include "ResultFileReader.h"
#include "ResultFileWriter.h"
#include "ResultTable.h"

using namespace Qt::StringLiterals;

namespace {
#ifdef Q_OS_WIN
const char *const kFilter = QT_TRANSLATE_NOOP("FileCommands", "Text File (*.txt);;All File (*.*)");
#else
// "*.*" would hide names without a dot here.
const char *const kFilter = QT_TRANSLATE_NOOP("FileCommands", "Text File (*.txt);;All File (*)");
#endif
} // namespace

FileCommands::FileCommands(ResultTable &table, Dialogs &dialogs, EventPump &events,
                           DocumentHost &host)
    : m_table(table), m_dialogs(dialogs), m_events(events), m_host(host)
{ }

QString FileCommands::fileTitle(const QString &path)
{
    // Both separators count, so a Windows path names the same file title here.
    const qsizetype folderEnd = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    const QString name = path.mid(folderEnd + 1);
    return u"VESTRA-IP -[Data  "_s + name.chopped(std::min<qsizetype>(4, name.size())) + u"]"_s;
}

bool FileCommands::offerToSave()
{
    if (!m_unsaved)
        return true;
    const auto answer = m_dialogs.message(
        QMessageBox::Question, tr("Save"), tr("Will you save previous results?"),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (answer == QMessageBox::Cancel)
        return false;
    // A save that was cancelled or failed stops the command as Cancel does:
    // going on would throw the results away.
    if (answer == QMessageBox::No) {
        m_host.resultsDiscarded();
        return true;
    }
    return Save() == SaveOutcome::Saved;
}

void FileCommands::New()
{
    if (!offerToSave())
        return;
    m_host.enterIdleState();
    m_unsaved = false;
}

void FileCommands::Open()
{
    if (!offerToSave())
        return;
    const QString path = m_dialogs.openFileName(tr("Open"), tr(kFilter));
    if (path.isEmpty())
        return;
    m_host.setBusy(true);
    ResultFileReader reader(m_table);
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
        m_host.setCaption(fileTitle(path));
        // A scan must not append to rows from a file.
        if (m_table.rows() > 1)
            m_host.holdStart();
        m_unsaved = false;
        break;
    case ResultFileReader::Outcome::Rejected:
        m_dialogs.message(QMessageBox::Critical, tr("Error"),
                          tr("File Error !!\n%1\n%2").arg(path, reader.errorString()),
                          QMessageBox::Ok, QMessageBox::Ok);
        break;
    case ResultFileReader::Outcome::Failed:
        m_dialogs.message(QMessageBox::Warning, tr("Open"),
                          tr("%1 was not loaded.\n%2").arg(path, reader.errorString()),
                          QMessageBox::Ok, QMessageBox::Ok);
        break;
    case ResultFileReader::Outcome::Cancelled:
        break;
    }
}

FileCommands::SaveOutcome FileCommands::Save()
{
    const QString path = m_dialogs.saveFileName(tr("Save"), tr(kFilter));
    if (path.isEmpty())
        return SaveOutcome::Cancelled;
    m_host.setBusy(true);
    ResultFileWriter writer;
    const bool written = writer.write(path, m_table);
    m_host.setBusy(false);
    if (!written) {
        // The previous file, if any, is still intact: the new one replaces it
        // only once it has been written whole.
        m_dialogs.message(
            QMessageBox::Critical, tr("Save"),
            tr("The results were not saved to %1: %2").arg(path, writer.errorString()),
            QMessageBox::Ok, QMessageBox::Ok);
        return SaveOutcome::Failed;
    }
    m_host.setCaption(fileTitle(path));
    m_unsaved = false;
    m_host.resultsSaved(path);
    return SaveOutcome::Saved;
}
