#include "LiveViewCommands.h"

#include "AlarmFlags.h"
#include "AlarmLimits.h"
#include "ResultTable.h"
#include "ScanRecord.h"
#include "ScanSession.h"
#include "frmAlarmLimits.h"
#include "frmLiveView.h"

#include <QScreen>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

// The limits cover every channel a scanner can have.
constexpr int kFirstChannel = 0;
constexpr int kLastChannel = 99;

} // namespace

LiveViewCommands::LiveViewCommands(ScanSession &session, SettingsStore &settings, Dialogs &dialogs,
                                   QWidget *mainWindow)
    : m_session(session), m_settings(settings), m_dialogs(dialogs), m_mainWindow(mainWindow)
{
    m_data.attachTable(&m_session.table());
    AlarmLimits limits;
    limits.load(m_settings, kFirstChannel, kLastChannel);
    m_data.setAlarmLimits(limits);

    connect(&m_session, &ScanSession::scanStarted, this,
            [this](const ScanSession::Request &request) {
                m_data.reset(request.startCh, request.endCh, request.period);
                m_alarms.reset();
            });
    connect(&m_session, &ScanSession::readingDone, &m_data, &LiveData::addReading);
    connect(&m_session, &ScanSession::readingDone, &m_alarms, &AlarmWatch::reading);
    connect(&m_alarms, &AlarmWatch::statusTextChanged, this,
            [this] { Q_EMIT statusSummaryChanged(statusSummary()); });
    connect(&m_session.cycle(), &ScanCycle::channelSelected, &m_data, &LiveData::setCurrentChannel);
    connect(&m_data, &LiveData::statusSummaryChanged, this,
            &LiveViewCommands::statusSummaryChanged);
}

LiveViewCommands::~LiveViewCommands()
{
    delete m_window;
}

void LiveViewCommands::showWindow()
{
    if (!m_window) {
        // A window of its own beside the main one, not a child drawn inside it.
        m_window = new frmLiveView(m_data, m_settings, m_dialogs);
        m_window->setAttribute(Qt::WA_DeleteOnClose, false);
        // Until the user places it, it opens beside the main window, not over it.
        if (!frmLiveView::wasPlaced(m_settings) && m_mainWindow && m_mainWindow->screen()) {
            const QRect frame = m_window->frameGeometry();
            const QSize extra = frame.size() - m_window->size();
            const QRect place
                = frmLiveView::besideFrame(m_mainWindow->frameGeometry(), frame.size(),
                                           m_mainWindow->screen()->availableGeometry());
            m_window->resize(place.size() - extra);
            m_window->move(place.topLeft());
        }
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void LiveViewCommands::restoreWindow()
{
    if (frmLiveView::wasOpen(m_settings))
        showWindow();
}

void LiveViewCommands::editAlarmLimits()
{
    frmAlarmLimits dialog(m_data.alarmLimits(), kFirstChannel, kLastChannel, m_mainWindow);
    if (dialog.exec() != QDialog::Accepted)
        return;
    dialog.limits().save(m_settings, kFirstChannel, kLastChannel);
    const AlarmLimits before = m_data.alarmLimits();
    m_data.setAlarmLimits(dialog.limits());
    // Cells already in the table are checked against the new limits too, while
    // a scan runs as well as after it; the rest of what the live view shows
    // stays as it is. Once the live data has read the table it flags every cell
    // itself.
    if (!m_data.flagsWholeTable())
        AlarmFlags::apply(m_session.table(), dialog.limits(), &before);
    m_data.recheckLimits();
}

QString LiveViewCommands::statusSummary() const
{
    QStringList parts { m_alarms.statusText(), m_data.statusSummary() };
    parts.removeAll(QString());
    return parts.join(u"; "_s);
}

void LiveViewCommands::tableLoaded()
{
    m_data.loadFromTable(m_session.table());
}

void LiveViewCommands::scanRestored(ScanRecord &record, qint64 id, int firstChannel,
                                    int lastChannel)
{
    m_data.reset(firstChannel, lastChannel);
    record.readScan(id, [this](const Reading &reading) { m_data.addReading(reading); });
}

void LiveViewCommands::showColumnInTrend(int column)
{
    const QString label = m_session.table().text(0, column);
    bool ok = false;
    const int channel = QStringView(label).mid(3).toInt(&ok);
    if (!ok || !label.startsWith(u"Ch "_s))
        return;
    showWindow();
    m_window->showInTrend(channel);
}

void LiveViewCommands::saveState()
{
    if (m_window)
        m_window->saveState();
}
