#include "ResultDocument.h"

#include "GridLayout.h"
#include "ResultTable.h"
#include "ScanSession.h"

ResultDocument::ResultDocument(ScanSession &session, QObject *parent)
    : QObject(parent), m_session(session)
{
    connect(&session, &ScanSession::scanStarted, this, [this] {
        m_storedScan = m_session.recordedScan();
        m_unsaved = true;
        Q_EMIT changed();
    });
    // A finished scan's rows are not extended by the next one: that takes New.
    connect(&session, &ScanSession::stateChanged, this, [this](ScanSession::State state) {
        if (state == ScanSession::State::Idle && !m_startHeld) {
            m_startHeld = true;
            Q_EMIT changed();
        }
    });
}

const ResultTable &ResultDocument::table() const
{
    return m_session.table();
}

void ResultDocument::replace(ResultTable &rows, const Source &source)
{
    m_session.table().swapContents(rows);
    m_storedScan = source.storedScan;
    m_unsaved = source.unsaved;
    // Rows that replace held ones are held as well: only New lets Start back.
    m_startHeld = m_startHeld || source.holdStart;
    setCaption(source.caption);
    Q_EMIT loaded();
    Q_EMIT changed();
}

void ResultDocument::startNew(const QString &caption, int firstChannel, int lastChannel)
{
    m_session.makeReady();
    ResultTable &table = m_session.table();
    table.setLayout(gridLayoutFor(firstChannel, lastChannel));
    table.setRows(1);
    m_storedScan = -1;
    m_unsaved = false;
    m_startHeld = false;
    setCaption(caption);
    Q_EMIT changed();
}

void ResultDocument::markSaved(const QString &path, const QString &caption)
{
    m_session.markSaved(m_storedScan, path);
    m_unsaved = false;
    setCaption(caption);
    Q_EMIT changed();
}

void ResultDocument::markDiscarded()
{
    m_session.markDiscarded(m_storedScan);
    m_storedScan = -1;
}

void ResultDocument::nameChannels(const ChannelNames &names)
{
    m_session.table().setChannelNames(names);
}

void ResultDocument::setCaption(const QString &caption)
{
    m_caption = caption;
    Q_EMIT captionChanged(caption);
}
