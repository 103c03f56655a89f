#pragma once

#include <QCoreApplication>
#include <QString>

#include <functional>

class Dialogs;
class DocumentHost;
class EventPump;
class QMimeData;
class ResultDocument;
class ResultTable;
class ZeroHistory;

// New, Open and Save: the result document to and from files.
class FileCommands
{
    Q_DECLARE_TR_FUNCTIONS(FileCommands)

public:
    enum class SaveOutcome { Saved, Cancelled, Failed };

    FileCommands(ResultDocument &document, Dialogs &dialogs, EventPump &events, DocumentHost &host);

    bool Unsaved() const;

    // "Will you save previous results?" when there are unsaved results. True to
    // go on (saved, or not wanted); false to stop where the command is, as when
    // the question or the save dialog was cancelled or the save failed.
    bool offerToSave();

    void New();
    void Open();
    // Open without the file dialog, for a file chosen elsewhere (Open Recent,
    // the command line, a drop): the save question first, then the same load.
    void Open(const QString &path);
    SaveOutcome Save();
    // Cells of channel columns without a reading that the last Save wrote as 0,
    // as the result file has no way to leave a number out.
    qint64 emptyCellsWrittenAsZero() const { return m_emptyCellsWritten; }
    // The channel cells of table's data rows that hold no reading.
    static qint64 emptyChannelCells(const ResultTable &table);

    // Told of every file that was read whole or written whole.
    void setFileKeptHandler(std::function<void(const QString &path)> handler)
    {
        m_fileKept = std::move(handler);
    }

    // The zeros that go with the table's rows, if any: Save then asks whether
    // the file holds the values zeroed or as read (the default), as the file
    // has no place to say which.
    void setZeroSource(std::function<const ZeroHistory *()> source)
    {
        m_zeroSource = std::move(source);
    }

    // The one local file that a drag carries, or an empty text.
    static QString droppedFile(const QMimeData *data);

    // "VESTRA-IP -[Data  run1]" for .../run1.txt: the name without its folder
    // and without its last four characters.
    static QString fileTitle(const QString &path);

private:
    void load(const QString &path);
    QString chooseSavePath();

    ResultDocument &m_document;
    Dialogs &m_dialogs;
    EventPump &m_events;
    DocumentHost &m_host;
    std::function<void(const QString &path)> m_fileKept;
    std::function<const ZeroHistory *()> m_zeroSource;
    qint64 m_emptyCellsWritten = 0;
};
