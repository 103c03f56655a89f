#include "MainStatusBar.h"

#include "GridLayout.h"
#include "LiveViewCommands.h"
#include "ManualScanBridge.h"
#include "ScanRecord.h"
#include "ScanSession.h"
#include "StatusLine.h"
#include "Twips.h"

#include <QDate>
#include <QLabel>
#include <QLocale>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>

using namespace Qt::StringLiterals;

MainStatusBar::MainStatusBar(QStatusBar *bar, ScanSession &session, QObject *parent)
    : QObject(parent), m_bar(bar), m_session(session)
{
    bar->setObjectName(u"sbStatusBar"_s);
    bar->setSizeGripEnabled(true);
    m_text = new StatusLine(bar);
    m_text->setObjectName(u"sbStatusBarText"_s);
    m_text->setMinimumWidth(twipsToPixels(1440));
    m_date = new QLabel(bar);
    m_date->setObjectName(u"sbStatusBarDate"_s);
    m_date->setMinimumWidth(twipsToPixels(1440));
    m_date->setAlignment(Qt::AlignCenter);
    // While a scan runs: how long it has run and how many passes it took.
    m_scan = new QLabel(bar);
    m_scan->setObjectName(u"sbStatusBarScan"_s);
    bar->addWidget(m_text, 1);
    connect(bar, &QStatusBar::messageChanged, this, [this](const QString &message) {
        if (message.isEmpty())
            m_bar->setToolTip({});
    });
    bar->addPermanentWidget(m_scan);
    bar->addPermanentWidget(m_date);

    auto showDate = [this] {
        m_date->setText(QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
    };
    showDate();
    // A scan can run for days: keep the date current.
    auto *dateTimer = new QTimer(this);
    connect(dateTimer, &QTimer::timeout, this, showDate);
    dateTimer->start(std::chrono::minutes(1));
    m_scanClock = new QTimer(this);
    connect(m_scanClock, &QTimer::timeout, this, &MainStatusBar::showScanProgress);
    followSession();
}

void MainStatusBar::followSession()
{
    ScanSession *session = &m_session;
    connect(&m_session.cycle(), &ScanCycle::rowAdded, this, &MainStatusBar::showScanProgress);
    connect(session, &ScanSession::recordFailed, this, &MainStatusBar::update);
    connect(session, &ScanSession::recordResumed, this, &MainStatusBar::update);
    connect(session, &ScanSession::healthChanged, this, &MainStatusBar::update);
    if (ScanRecord *record = m_session.record())
        connect(record, &ScanRecord::warningChanged, this, &MainStatusBar::update);
    connect(session, &ScanSession::scanStarted, this, [this] {
        m_lineProblem.clear();
        m_manualProblem.clear();
        update();
    });
    connect(session, &ScanSession::lineLost, this, [this](const QString &reason, bool stopped) {
        setLineProblem((stopped ? tr("Scan stopped: the line to the scanner on %1 failed (%2)")
                                : tr("The line to the scanner on %1 failed (%2)"))
                           .arg(m_session.portDescription(), reason));
    });
    connect(session, &ScanSession::reconnecting, this, [this](const QString &status) {
        setLineProblem(status);
        m_reconnecting = true;
    });
    connect(session, &ScanSession::lineBack, this, [this] {
        setLineProblem({});
        m_reconnecting = false;
    });
    connect(session, &ScanSession::stateChanged, this, [this] {
        // Stopped while the line was being reopened: no line left to report on.
        if (m_reconnecting && !m_session.isReconnecting())
            m_lineProblem.clear();
        m_reconnecting = m_session.isReconnecting();
        update();
        showScanProgress();
    });
}

void MainStatusBar::follow(ManualScanBridge &manual)
{
    connect(&manual, &ManualScanBridge::lineOpened, this, [this] {
        m_manualProblem.clear();
        update();
    });
    connect(&manual, &ManualScanBridge::lineNotReopened, this, &MainStatusBar::setLineProblem);
    connect(&manual, &ManualScanBridge::readingFinished, this, &MainStatusBar::showManualReading);
}

void MainStatusBar::follow(LiveViewCommands &liveView)
{
    m_liveView = &liveView;
    connect(&liveView, &LiveViewCommands::statusSummaryChanged, this, &MainStatusBar::update);
}

void MainStatusBar::setSettingsProblem(const QString &problem)
{
    m_settingsProblem = problem;
    update();
}

void MainStatusBar::setStoreProblem(const QString &problem)
{
    m_storeProblem = problem;
    update();
}

void MainStatusBar::setSessionNotice(const QString &notice)
{
    m_sessionNotice = notice;
    update();
}

void MainStatusBar::setDemo(const QString &device)
{
    if (!m_demo) {
        // A permanent widget: a passing message does not hide it.
        m_demo = new QLabel(m_bar);
        m_demo->setObjectName(u"sbStatusBarDemo"_s);
        m_bar->addPermanentWidget(m_demo);
    }
    m_demo->setText(tr("Demo"));
    m_demo->setToolTip(
        tr("Demo: both ports lead to the simulated scanner on %1; its readings are not real.")
            .arg(device));
    m_demo->setVisible(!device.isEmpty());
}

void MainStatusBar::showNote(const QString &note, std::chrono::milliseconds shown)
{
    // The note takes the place of the message line: one too long for it ends
    // in "…" rather than being cut off, and the whole note is the tool tip.
    const int room = std::max(m_text->width(), m_text->minimumWidth());
    m_bar->showMessage(m_text->fontMetrics().elidedText(note, Qt::ElideRight, room),
                       int(shown.count()));
    m_bar->setToolTip(note);
}

void MainStatusBar::setLineProblem(const QString &problem)
{
    m_lineProblem = problem;
    update();
}

void MainStatusBar::showManualReading(const Reading &reading)
{
    m_manualProblem = reading.status == Reading::Status::Unreadable
        ? tr("Ch %1: unreadable reply").arg(channelText(reading.channel))
        : QString();
    update();
}

void MainStatusBar::update()
{
    QStringList parts;
    if (!m_lineProblem.isEmpty())
        parts << m_lineProblem;
    if (m_session.scannerSilent())
        parts << tr("No reply from scanner on ") + m_session.portDescription();
    if (!m_manualProblem.isEmpty())
        parts << m_manualProblem;
    if (!m_settingsProblem.isEmpty())
        parts << m_settingsProblem;
    if (!m_storeProblem.isEmpty())
        parts << m_storeProblem;
    // A short summary that cannot overflow; the live view has the details.
    if (const QString summary = m_liveView ? m_liveView->statusSummary() : QString();
        !summary.isEmpty())
        parts << summary;
    if (const QString problem = m_session.recordProblem(); !problem.isEmpty())
        parts << tr("Readings are not being kept on disk: ") + problem;
    else if (m_session.record() && !m_session.record()->warningString().isEmpty())
        parts << m_session.record()->warningString();
    if (parts.isEmpty() && !m_sessionNotice.isEmpty())
        parts << m_sessionNotice;
    m_text->setMessage(parts.join(u"; "_s));
}

void MainStatusBar::showScanProgress()
{
    if (!m_session.isScanning()) {
        m_scanClock->stop();
        return;
    }
    if (!m_scanClock->isActive())
        m_scanClock->start(std::chrono::seconds(1));
    const qint64 seconds = m_session.startedAt().secsTo(QDateTime::currentDateTimeUtc());
    m_scan->setText(tr("%1:%2:%3, pass %4")
                        .arg(seconds / 3600, 2, 10, QChar(u'0'))
                        .arg(seconds / 60 % 60, 2, 10, QChar(u'0'))
                        .arg(seconds % 60, 2, 10, QChar(u'0'))
                        .arg(m_session.passes()));
}
