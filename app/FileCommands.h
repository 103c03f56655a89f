#pragma once

#include <QCoreApplication>
#include <QString>

class Dialogs;
class DocumentHost;
class EventPump;
class ResultTable;

// New, Open and Save: the result table as a document, and whether it holds
// results that have not been saved.
class FileCommands
{
    Q_DECLARE_TR_FUNCTIONS(FileCommands)

public:
    enum class SaveOutcome { Saved, Cancelled, Failed };

    FileCommands(ResultTable &table, Dialogs &dialogs, EventPump &events, DocumentHost &host);

    bool Unsaved() const { return m_unsaved; }
    void raiseUnsaved() { m_unsaved = true; }

    // "Will you save previous results?" when there are unsaved results. True to
    // go on (saved, or not wanted); false to stop where the command is, as when
    // the question or the save dialog was cancelled or the save failed.
    bool offerToSave();

    void New();
    void Open();
    SaveOutcome Save();

    // "VESTRA-IP -[Data  run1]" for .../run1.txt: the name without its folder
    // and without its last four characters.
    static QString fileTitle(const QString &path);

private:
    ResultTable &m_table;
    Dialogs &m_dialogs;
    EventPump &m_events;
    DocumentHost &m_host;
    bool m_unsaved = false;
};
