#include "ScanRun.h"

#include "CsvExport.h"
#include "GridLayout.h"
#include "LogCategories.h"
#include "PortMap.h"
#include "ResultFileWriter.h"
#include "ResultTable.h"
#include "ScanRecord.h"
#include "SerialPort.h"
#include "Timer.h"
#include "ZeroedTable.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTimer>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The --csv name of the standard output, as other tools take it.
const QString kStandardOutput = u"-"_s;

QString passesText(int passes)
{
    return passes == 1 ? u"1 pass"_s : u"%1 passes"_s.arg(passes);
}

QString rowsText(int rows)
{
    return rows == 1 ? u"1 row"_s : u"%1 rows"_s.arg(rows);
}

} // namespace

ScanRun::ScanRun(ScanSession &session, SerialPort &port, TimerFactory &timers, QObject *parent)
    : QObject(parent), m_session(session), m_port(port), m_ticker(timers.createTimer())
{
    connect(m_ticker.get(), &Timer::timeout, this, &ScanRun::onTick);
    connect(&m_session, &ScanSession::readingDone, this, &ScanRun::onReading);
    connect(&m_session, &ScanSession::lineLost, this, [this](const QString &reason) {
        finish(LineLost, u"the line to the scanner was lost (%1)"_s.arg(reason));
    });
    m_zero.follow(session);
    connect(&m_zero, &ScanZero::taken, this, &ScanRun::zeroTaken);
    connect(&m_zero, &ScanZero::abandoned, this, [this] {
        Q_EMIT notice(u"no zero was taken: the scan ended during the zero passes"_s);
    });
}

ScanRun::~ScanRun() = default;

bool ScanRun::start(const Plan &plan)
{
    m_plan = plan;
    m_passes = 0;
    m_failing.clear();
    // A file that cannot be written is found out now, not at the end of a
    // long scan. Nothing is created: the check is cancelled.
    for (const QString &file : { plan.outFile, plan.csvFile }) {
        if (file.isEmpty() || (file == plan.csvFile && file == kStandardOutput))
            continue;
        // Saving replaces the file by renaming a new one over it: a device or
        // a pipe would be replaced by a regular file, and never written.
        const QFileInfo existing(file);
        if (existing.exists() && !existing.isFile()) {
            m_outcome = { SaveFailed, u"cannot write %1: it is not a regular file"_s.arg(file) };
            return false;
        }
        QSaveFile probe(file);
        if (!probe.open(QIODevice::WriteOnly)) {
            m_outcome = { SaveFailed, u"cannot write %1: %2"_s.arg(file, probe.errorString()) };
            return false;
        }
        probe.cancelWriting();
    }

    if (plan.zeroPasses > 0)
        m_zero.take(plan.zeroPasses, 0);
    if (!m_session.start(plan.request)) {
        QString reason = m_port.errorString();
        // A port another program holds is refused by its lock file or its
        // exclusive open, reported as a locking or busy error that does not
        // say who holds it.
        const QFileInfo device(plan.request.device);
        const bool heldElsewhere = reason.contains(u"lock"_s, Qt::CaseInsensitive)
            || reason.contains(u"busy"_s, Qt::CaseInsensitive);
        if (heldElsewhere && device.isReadable() && device.isWritable())
            reason += u" (is another program using it?)"_s;
        m_outcome = { PortFailed, u"cannot open %1: %2"_s.arg(plan.request.device, reason) };
        return false;
    }
    m_running = true;
    m_outcome = {};
    m_clock.start();
    m_ticker->start(kProgressInterval);
    return true;
}

void ScanRun::end(const QString &why)
{
    finish(Done, u"ended by %1"_s.arg(why));
}

ScanRun::Progress ScanRun::progress() const
{
    Progress p;
    p.passes = m_passes;
    p.passLimit = m_plan.passes;
    p.rows = std::max(0, m_session.table().rows() - 1 - m_plan.zeroPasses);
    p.elapsed = std::chrono::milliseconds(m_clock.isValid() ? m_clock.elapsed() : 0);
    p.duration = m_plan.duration;
    p.failingChannels = m_failing.values();
    std::sort(p.failingChannels.begin(), p.failingChannels.end());
    p.scannerSilent = m_session.scannerSilent();
    p.zeroing = m_zero.isTaking();
    return p;
}

void ScanRun::onReading(const Reading &reading)
{
    // Manual readings (pass 0) are not part of the scan.
    if (!m_running || reading.pass == 0)
        return;
    if (reading.taken())
        m_failing.remove(reading.channel);
    else
        m_failing.insert(reading.channel);
    const bool passDone
        = reading.channel == m_plan.request.endCh && (reading.taken() || reading.givenUp);
    if (!passDone)
        return;
    if (reading.pass <= m_plan.zeroPasses) {
        Q_EMIT progressed(progress());
        return;
    }
    ++m_passes;
    Q_EMIT progressed(progress());
    if (m_plan.passes > 0 && m_passes >= m_plan.passes) {
        // The scan goes on to select the next channel once this signal
        // returns; it ends after that, with no row of the next pass begun.
        QTimer::singleShot(0, this, [this] { finish(Done, u"done"_s); });
    }
}

void ScanRun::onTick()
{
    if (m_plan.duration.count() > 0 && m_clock.elapsed() >= m_plan.duration.count()) {
        finish(Done, u"done"_s);
        return;
    }
    Q_EMIT progressed(progress());
}

QString ScanRun::summary() const
{
    const Progress p = progress();
    const qint64 seconds = p.elapsed.count() / 1000;
    return u"%1, %2 in %3 s"_s.arg(passesText(p.passes), rowsText(p.rows)).arg(seconds);
}

void ScanRun::finish(int exitCode, const QString &how)
{
    if (!m_running)
        return;
    m_running = false;
    m_ticker->stop();
    m_session.stop();
    m_outcome = { exitCode, how + u": "_s + summary() };

    // A file asked for and not written fails the run even though the record
    // holds the readings: a script must not take it as written.
    // The files hold the passes after the zero, as read; the CSV zeroed.
    ResultTable recorded;
    if (m_plan.zeroPasses > 0)
        copyZeroed(m_session.table(), recorded, nullptr, m_plan.zeroPasses + 1);
    const ResultTable &table = m_plan.zeroPasses > 0 ? recorded : m_session.table();
    if (!m_plan.outFile.isEmpty()) {
        ResultFileWriter writer;
        if (writer.write(m_plan.outFile, table)) {
            m_outcome.message += u"; saved to "_s + m_plan.outFile;
            m_session.markSaved(m_session.recordedScan(),
                                QFileInfo(m_plan.outFile).absoluteFilePath());
            qCInfo(lcFiles, "saved to %s", qUtf8Printable(m_plan.outFile));
        } else {
            m_outcome = { SaveFailed,
                          u"%1; the results were not saved to %2: %3"_s.arg(
                              m_outcome.message, m_plan.outFile, writer.errorString()) };
            qCWarning(lcFiles, "saving %s failed: %s", qUtf8Printable(m_plan.outFile),
                      qUtf8Printable(writer.errorString()));
        }
    }
    if (!m_plan.csvFile.isEmpty()) {
        QString error;
        if (writeCsv(table, &error))
            m_outcome.message += m_plan.csvFile == kStandardOutput
                ? u"; CSV written to standard output"_s
                : u"; CSV written to "_s + m_plan.csvFile;
        else
            m_outcome = { SaveFailed,
                          u"%1; the CSV was not written to %2: %3"_s.arg(m_outcome.message,
                                                                         m_plan.csvFile, error) };
    }
    // The session has waited for the record; what it still holds in memory
    // is not on disk, and a service's exit status must say so.
    ScanRecord *record = m_session.record();
    const qint64 notKept = record ? record->lostReadings() + record->waitingReadings() : 0;
    if (notKept > 0) {
        m_outcome.message += u"; the record could not keep %1 (%2)"_s.arg(
            notKept == 1 ? u"1 reading"_s : u"%1 readings"_s.arg(notKept), record->errorString());
        qCWarning(lcRecord, "the record could not keep %lld readings of scan %lld", notKept,
                  m_session.recordedScan());
        if (m_outcome.exitCode == Done)
            m_outcome.exitCode = RecordIncomplete;
    } else if (record && record->isWorking() && m_session.recordedScan() >= 0) {
        m_outcome.message += u"; kept as scan %1 in the record"_s.arg(m_session.recordedScan());
    }
    Q_EMIT finished(m_outcome);
}

bool ScanRun::writeCsv(const ResultTable &table, QString *error) const
{
    const ZeroHistory *zero = &m_zero.history();
    const bool simulated = PortMap::isSimulatedPortName(m_plan.request.portName);
    if (m_plan.csvFile == kStandardOutput) {
        QFile out;
        if (!out.open(stdout, QIODevice::WriteOnly) || !::writeCsv(table, out, simulated, zero)
            || !out.flush()) {
            *error = out.errorString();
            return false;
        }
        return true;
    }
    return writeCsvFile(m_plan.csvFile, table, error, simulated, zero);
}

void ScanRun::zeroTaken(const ZeroSet &set, const QList<int> &noOffset)
{
    QStringList offsets;
    for (auto it = set.offsets.cbegin(); it != set.offsets.cend(); ++it)
        offsets += u"Ch %1 %2"_s.arg(channelText(it.key()), it.value().toText());
    QString text = u"zeroed on %1 (offsets %2)"_s.arg(
        passesText(set.passes), offsets.isEmpty() ? u"none"_s : offsets.join(u", "_s));
    if (!noOffset.isEmpty()) {
        QStringList channels;
        for (int channel : noOffset)
            channels += channelText(channel);
        text += u"; no offset for channel %1: a reading failed, or was no number or in "
                "another unit, during the zero passes"_s.arg(channels.join(u", "_s));
    }
    Q_EMIT notice(text);
}
