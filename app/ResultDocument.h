#pragma once

#include <QObject>
#include <QString>

class ChannelNames;
class ResultTable;
class ScanSession;

// What makes the result table this document: its rows, whether they are
// saved, the stored scan they came from, whether a scan may add to them, and
// the caption that names them. Open, Scan History, recovery and New all go
// through replace(); a scan's rows come from the session's cycle.
class ResultDocument : public QObject
{
    Q_OBJECT
public:
    explicit ResultDocument(ScanSession &session, QObject *parent = nullptr);

    const ResultTable &table() const;
    bool isUnsaved() const { return m_unsaved; }
    // The stored scan the rows came from; -1 for a file or a new table.
    qint64 storedScan() const { return m_storedScan; }
    // The rows came from elsewhere (a file, a stored scan) or from a scan that
    // has ended: a scan must not extend them, so Start stays off until New.
    bool isStartHeld() const { return m_startHeld; }
    QString caption() const { return m_caption; }

    struct Source
    {
        QString caption;
        qint64 storedScan = -1;
        bool unsaved = false;
        bool holdStart = true;
    };
    // Takes rows's contents as the document's (rows gets the old ones).
    void replace(ResultTable &rows, const Source &source);
    // A new, empty table laid out for the channels, ready for a scan.
    void startNew(const QString &caption, int firstChannel, int lastChannel);
    // The rows were written whole to path, now named caption.
    void markSaved(const QString &path, const QString &caption);
    // The rows are to be thrown away unsaved; the command that replaces them
    // follows.
    void markDiscarded();
    // The names the table's channels are shown with.
    void nameChannels(const ChannelNames &names);

Q_SIGNALS:
    void captionChanged(const QString &caption);
    // Rows from elsewhere replaced the table.
    void loaded();
    // isStartHeld() or isUnsaved() changed.
    void changed();

private:
    void setCaption(const QString &caption);

    ScanSession &m_session;
    bool m_unsaved = false;
    qint64 m_storedScan = -1;
    bool m_startHeld = false;
    QString m_caption;
};
