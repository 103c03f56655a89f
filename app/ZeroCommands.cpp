#include "ZeroCommands.h"

#include "GridLayout.h"
#include "LiveData.h"
#include "ResultDocument.h"
#include "ScanRecord.h"
#include "ScanSession.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"

#include <QActionGroup>
#include <QMenu>

using namespace Qt::StringLiterals;

ZeroCommands::ZeroCommands(ScanSession &session, const ResultDocument &document,
                           SettingsStore &settings, LiveData &liveData, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_document(document)
    , m_settings(settings)
    , m_liveData(liveData)
{
    connect(&document, &ResultDocument::loaded, this, &ZeroCommands::tableReplaced);
    m_zero.follow(session);
    connect(&session, &ScanSession::scanStarted, this, [this] {
        m_tableIsScan = true;
        m_liveData.setZero(&m_zero.history());
    });
    connect(&session, &ScanSession::readingDone, this, &ZeroCommands::onReading);
    connect(&session, &ScanSession::stateChanged, this, &ZeroCommands::changed);
    connect(&m_zero, &ScanZero::taken, this, &ZeroCommands::onTaken);
    connect(&m_zero, &ScanZero::abandoned, this, [this] {
        Q_EMIT notice(m_session.isScanning()
                          ? tr("Zeroing cancelled")
                          : tr("The zero was not taken: the scan ended before its passes were "
                               "complete"));
    });
    connect(&m_zero, &ScanZero::cleared, this,
            [this] { Q_EMIT notice(tr("Zero cleared: readings are shown as read")); });
    connect(&m_zero, &ScanZero::changed, this, [this] {
        if (m_tableIsScan)
            m_liveData.setZero(&m_zero.history());
        Q_EMIT changed();
    });
}

void ZeroCommands::fillPassesMenu(QMenu *menu)
{
    auto *group = new QActionGroup(menu);
    for (int passes : kPassChoices) {
        QAction *choice = menu->addAction(QString::number(passes));
        choice->setObjectName(u"mnuZeroPasses%1"_s.arg(passes));
        choice->setCheckable(true);
        group->addAction(choice);
        connect(choice, &QAction::triggered, this, [this, passes] { setPasses(passes); });
        m_passActions += choice;
    }
}

void ZeroCommands::restoreSettings()
{
    bool ok = false;
    const int stored = m_settings
                           .value(SettingsKeys::kSettings, SettingsKeys::kZeroPasses,
                                  QString::number(ScanZero::kDefaultPasses))
                           .toInt(&ok);
    m_passes
        = ok && stored >= 1 && stored <= ScanZero::kMaxPasses ? stored : ScanZero::kDefaultPasses;
    for (QAction *choice : std::as_const(m_passActions))
        choice->setChecked(choice->text() == QString::number(m_passes));
}

void ZeroCommands::setPasses(int passes)
{
    m_passes = std::clamp(passes, 1, int(ScanZero::kMaxPasses));
    m_settings.setValue(SettingsKeys::kSettings, SettingsKeys::kZeroPasses,
                        QString::number(m_passes));
    for (QAction *choice : std::as_const(m_passActions))
        choice->setChecked(choice->text() == QString::number(m_passes));
}

bool ZeroCommands::canZero() const
{
    return m_session.isScanning();
}

bool ZeroCommands::canClear() const
{
    return m_session.isScanning() && (m_zero.isTaking() || m_zero.history().active());
}

void ZeroCommands::zero()
{
    if (!canZero())
        return;
    // The pass under way may have begun before the reference was applied:
    // the zero starts with the next one.
    m_zero.take(m_passes, m_session.passes());
    Q_EMIT notice(m_passes == 1
                      ? tr("Zeroing: the next complete pass is taken as the zero; keep the "
                           "reference pressure applied")
                      : tr("Zeroing: the mean of the next %1 complete passes is taken as the "
                           "zero; keep the reference pressure applied")
                            .arg(m_passes));
    Q_EMIT changed();
}

void ZeroCommands::clearZero()
{
    // From the pass under way: its readings still to come are shown as read.
    m_zero.clear(std::max(m_session.passes(), 1));
    Q_EMIT changed();
}

void ZeroCommands::onTaken(const ZeroSet &set, const QList<int> &noOffset)
{
    QString text = set.passes == 1
        ? tr("Zero taken from 1 pass: readings are shown zeroed from pass %1").arg(set.firstPass)
        : tr("Zero taken from %1 passes: readings are shown zeroed from pass %2")
              .arg(set.passes)
              .arg(set.firstPass);
    if (set.isClear()) {
        text = tr("No zero was taken: every channel had a failed reading during the zero "
                  "passes");
    } else if (!noOffset.isEmpty()) {
        QStringList channels;
        for (int channel : noOffset)
            channels += channelText(channel);
        text += tr("; no offset for channel %1 (a failed reading, or a value that is no "
                   "number or in another unit, during the zero passes)")
                    .arg(channels.join(u", "_s));
    }
    Q_EMIT notice(text);
}

void ZeroCommands::onReading(const Reading &reading)
{
    if (reading.pass <= 0 || !reading.taken() || !m_tableIsScan)
        return;
    const ZeroHistory &history = m_zero.history();
    const ZeroSet *set = history.forPass(reading.pass);
    if (!set && !history.active())
        return;
    const bool zeroed = set && set->offsets.contains(reading.channel);
    Q_EMIT readingShown(
        history.zeroed(reading.pass, reading.channel, reading.value, reading.unit),
        zeroed ? ZeroHistory::markText(*set)
               : tr("no zero offset for channel %1").arg(channelText(reading.channel)));
}

void ZeroCommands::tableReplaced()
{
    m_tableIsScan = false;
    m_storedId = -1;
    m_liveData.setZero(nullptr);
    Q_EMIT changed();
}

const ZeroHistory *ZeroCommands::tableZero()
{
    if (m_tableIsScan)
        return m_zero.history().isEmpty() ? nullptr : &m_zero.history();
    return storedZero(m_document.storedScan());
}

const ZeroHistory *ZeroCommands::storedZero(qint64 id)
{
    ScanRecord *record = m_session.record();
    if (!record || id < 0)
        return nullptr;
    if (id != m_storedId) {
        m_stored.clear();
        for (const ZeroSet &set : record->zeroSets(id))
            m_stored.add(set);
        m_storedId = id;
    }
    return m_stored.isEmpty() ? nullptr : &m_stored;
}
