#include "ThreadedScanRecord.h"

#include "LogCategories.h"
#include "SqliteScanRecord.h"

#include <QDeadlineTimer>
#include <QMutex>
#include <QMutexLocker>
#include <QThread>
#include <QWaitCondition>

using namespace Qt::StringLiterals;

namespace {

// Opening a file left by a power cut replays its log first.
constexpr std::chrono::milliseconds kOpenWait { 10000 };

QString secondsText(std::chrono::milliseconds wait)
{
    return QString::number(double(wait.count()) / 1000, 'g', 3);
}

} // namespace

// What the caller's thread and the writer share, under mutex. It outlives the
// record when the writer does not end in time at close.
struct ThreadedScanRecord::Shared
{
    struct Job
    {
        Reading reading; // when call is empty
        Call call;
        std::chrono::steady_clock::time_point handed = std::chrono::steady_clock::now();
    };

    QString path;
    QMutex mutex;
    QWaitCondition work; // jobs came, or the end
    QWaitCondition done; // jobs were done, or the file opened
    QList<Job> jobs;
    quint64 handed = 0; // jobs handed over so far
    quint64 written = 0; // of those, done
    qint64 waiting = 0; // readings among the jobs
    qint64 lost = 0;
    bool openEnded = false;
    bool opened = false;
    QString openError;
    QString movedAside;
    bool stopping = false;
    // Why the last write failed; empty while writes succeed.
    QString failure;
    // Set by a wait that ended before the writer did.
    QString late;
    ThreadedScanRecord *owner = nullptr;

    bool troubled() const { return !failure.isEmpty() || !late.isEmpty(); }
};

ThreadedScanRecord::ThreadedScanRecord(const QString &path, QObject *parent)
    : ScanRecord(parent), m_path(path)
{
    m_error = u"the scan record is not open"_s;
}

ThreadedScanRecord::~ThreadedScanRecord()
{
    // The writer's connection closes last, so that the closing checkpoint runs
    // on its thread.
    m_reader.reset();
    if (!m_shared)
        return;
    {
        QMutexLocker lock(&m_shared->mutex);
        m_shared->owner = nullptr;
        m_shared->stopping = true;
        m_shared->work.wakeAll();
    }
    if (m_thread->wait(QDeadlineTimer(kCloseWait))) {
        delete m_thread;
        return;
    }
    // A disk that hangs: the thread keeps what it shares and ends with the
    // process.
    QMutexLocker lock(&m_shared->mutex);
    qCWarning(lcRecord, "the record's disk did not take the last %lld readings in %s s",
              m_shared->waiting, qUtf8Printable(secondsText(kCloseWait)));
}

bool ThreadedScanRecord::open()
{
    if (m_shared)
        return isWorking();
    m_shared = std::make_shared<Shared>();
    m_shared->path = m_path;
    m_shared->owner = this;
    m_thread = QThread::create([shared = m_shared] { run(shared); });
    m_thread->setObjectName(u"record writer"_s);
    m_thread->start();
    {
        QMutexLocker lock(&m_shared->mutex);
        const QDeadlineTimer deadline(kOpenWait);
        while (!m_shared->openEnded)
            if (!m_shared->done.wait(&m_shared->mutex, deadline))
                break;
        if (!m_shared->opened) {
            m_error = m_shared->openEnded
                ? m_shared->openError
                : u"%1 did not open within %2 s"_s.arg(m_path, secondsText(kOpenWait));
            return false;
        }
    }
    m_reader = std::make_unique<SqliteScanRecord>(m_path);
    if (!m_reader->open())
        m_error = m_reader->errorString();
    return true;
}

void ThreadedScanRecord::run(const std::shared_ptr<Shared> &shared)
{
    Shared &s = *shared;
    auto record = std::make_unique<SqliteScanRecord>(s.path);
    const bool opened = record->open(SqliteScanRecord::Durability::PowerLoss);
    QMutexLocker lock(&s.mutex);
    s.opened = opened;
    s.openError = record->errorString();
    s.movedAside = record->movedAsidePath();
    s.openEnded = true;
    s.done.wakeAll();
    if (!opened)
        return;

    const auto post = [&s](auto signal) {
        if (ThreadedScanRecord *owner = s.owner)
            QMetaObject::invokeMethod(
                owner, [owner, signal] { signal(owner); }, Qt::QueuedConnection);
    };
    std::chrono::milliseconds delay = kFirstRetry;
    bool retrying = false;
    QList<Reading> group;
    for (;;) {
        if (s.jobs.isEmpty()) {
            if (s.stopping)
                break;
            s.work.wait(&s.mutex);
            continue;
        }
        // A reading waits a moment for the next ones, so that a fast scan
        // flushes a few together rather than each; a call does not wait.
        if (!retrying && !s.stopping && !s.jobs.first().call && s.waiting < kGroup) {
            const auto due = s.jobs.first().handed + kGather;
            if (std::chrono::steady_clock::now() < due) {
                s.work.wait(&s.mutex, QDeadlineTimer(due));
                continue;
            }
        }
        // The readings at the head of the queue go together; any other call
        // on its own, in its place.
        group.clear();
        Call call = s.jobs.first().call;
        if (!call) {
            for (const Shared::Job &job : std::as_const(s.jobs)) {
                if (job.call || group.size() == kGroup)
                    break;
                group.append(job.reading);
            }
        }
        lock.unlock();
        if (retrying)
            record->retry();
        bool ok = false;
        if (call) {
            call(*record);
            // A call that fails for what it asked (no such scan) leaves the
            // record working; only a failed write stops it.
            ok = record->isWorking();
        } else {
            ok = record->addReadings(group);
        }
        const QString why = ok ? QString() : record->errorString();
        lock.relock();
        if (ok) {
            const qsizetype jobs = call ? 1 : group.size();
            s.jobs.remove(0, jobs);
            s.written += quint64(jobs);
            s.waiting -= group.size();
            delay = kFirstRetry;
            retrying = false;
            if (s.troubled()) {
                s.failure.clear();
                s.late.clear();
                post([](ThreadedScanRecord *owner) { Q_EMIT owner->workingAgain(); });
            }
            s.done.wakeAll();
            continue;
        }
        const bool first = !s.troubled();
        s.failure = why;
        if (first)
            post([why](ThreadedScanRecord *owner) { Q_EMIT owner->stoppedWorking(why); });
        retrying = true;
        // At the end a failed write is not tried again: the program is going.
        if (s.stopping)
            break;
        s.work.wait(&s.mutex, QDeadlineTimer(delay));
        delay = std::min(delay * 2, kLongestRetry);
    }
    s.lost += s.waiting;
    lock.unlock();
    record.reset();
}

bool ThreadedScanRecord::isOpen() const
{
    if (!m_shared)
        return false;
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->opened;
}

QString ThreadedScanRecord::rigId() const
{
    return m_reader ? m_reader->rigId() : QString();
}

QString ThreadedScanRecord::movedAsidePath() const
{
    if (!m_shared)
        return {};
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->movedAside;
}

bool ThreadedScanRecord::isWorking() const
{
    if (!m_shared)
        return false;
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->opened && !m_shared->troubled();
}

QString ThreadedScanRecord::errorString() const
{
    if (!m_shared)
        return m_error;
    QMutexLocker lock(&m_shared->mutex);
    const Shared &s = *m_shared;
    if (!s.opened || !s.troubled())
        return m_error;
    QString why = s.failure.isEmpty() ? s.late : s.failure;
    if (s.waiting > 0)
        why += u"; %1 readings wait in memory to be written"_s.arg(s.waiting);
    if (s.lost > 0)
        why += u"; %1 readings could not be kept"_s.arg(s.lost);
    return why;
}

quint64 ThreadedScanRecord::hand(Call call)
{
    QMutexLocker lock(&m_shared->mutex);
    m_shared->jobs.append({ {}, std::move(call), std::chrono::steady_clock::now() });
    m_shared->work.wakeOne();
    return ++m_shared->handed;
}

bool ThreadedScanRecord::waitFor(quint64 ticket, std::chrono::milliseconds timeout)
{
    QMutexLocker lock(&m_shared->mutex);
    const QDeadlineTimer deadline(timeout);
    while (m_shared->written < ticket)
        if (!m_shared->done.wait(&m_shared->mutex, deadline))
            return m_shared->written >= ticket;
    return true;
}

bool ThreadedScanRecord::addReading(const Reading &reading)
{
    if (!isOpen())
        return false;
    {
        QMutexLocker lock(&m_shared->mutex);
        if (m_shared->waiting >= kMaxWaiting) {
            ++m_shared->lost;
            return false;
        }
        m_shared->jobs.append({ reading, {}, std::chrono::steady_clock::now() });
        ++m_shared->handed;
        ++m_shared->waiting;
        // The writer waits without a time limit only for an empty queue.
        if (m_shared->jobs.size() == 1)
            m_shared->work.wakeOne();
    }
    if (m_scan >= 0) {
        if (reading.pass > 0 && reading.pass != m_lastPass) {
            ++m_passes;
            m_lastPass = reading.pass;
        }
        ++(reading.taken() ? m_taken : m_failed);
        if (reading.time.isValid() && reading.time > m_lastTime)
            m_lastTime = reading.time;
    }
    return true;
}

bool ThreadedScanRecord::waitForWritten(std::chrono::milliseconds timeout)
{
    if (!isOpen())
        return false;
    quint64 ticket = 0;
    {
        QMutexLocker lock(&m_shared->mutex);
        ticket = m_shared->handed;
    }
    if (waitFor(ticket, timeout))
        return true;
    QString why;
    {
        QMutexLocker lock(&m_shared->mutex);
        if (m_shared->troubled())
            return false;
        why = u"the disk has not taken the last readings in %1 s"_s.arg(secondsText(timeout));
        m_shared->late = why;
    }
    Q_EMIT stoppedWorking(why);
    return false;
}

qint64 ThreadedScanRecord::waitingReadings() const
{
    if (!m_shared)
        return 0;
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->waiting;
}

qint64 ThreadedScanRecord::lostReadings() const
{
    if (!m_shared)
        return 0;
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->lost;
}

qint64 ThreadedScanRecord::beginScan(const ScanInfo &info)
{
    if (!isOpen())
        return -1;
    ScanInfo started = info;
    if (!started.start.isValid())
        started.start = QDateTime::currentDateTimeUtc();
    struct Answer
    {
        qint64 id = -1;
        QString error;
    };
    const auto answer = std::make_shared<Answer>();
    const quint64 ticket = hand([answer, started](SqliteScanRecord &record) {
        answer->id = record.beginScan(started);
        answer->error = record.errorString();
    });
    m_scan = -1;
    if (!waitFor(ticket, kAnswerWait)) {
        m_error = u"the disk did not answer within %1 s"_s.arg(secondsText(kAnswerWait));
        return -1;
    }
    m_scan = answer->id;
    if (m_scan < 0)
        m_error = answer->error;
    m_passes = 0;
    m_lastPass = 0;
    m_taken = 0;
    m_failed = 0;
    m_lastTime = started.start;
    return m_scan;
}

bool ThreadedScanRecord::endScan(ScanState state, const QDateTime &end)
{
    if (m_scan < 0)
        return false;
    const QDateTime at
        = end.isValid() ? end : std::max(m_lastTime, QDateTime::currentDateTimeUtc());
    hand([state, at](SqliteScanRecord &record) { record.endScan(state, at); });
    m_scan = -1;
    return true;
}

bool ThreadedScanRecord::markSaved(qint64 id, const QString &file)
{
    if (!isOpen())
        return false;
    hand([id, file](SqliteScanRecord &record) { record.markSaved(id, file); });
    if (id == m_scan)
        m_scan = -1;
    return true;
}

bool ThreadedScanRecord::markDiscarded(qint64 id)
{
    if (!isOpen())
        return false;
    hand([id](SqliteScanRecord &record) { record.markDiscarded(id); });
    if (id == m_scan)
        m_scan = -1;
    return true;
}

void ThreadedScanRecord::prepareRead()
{
    // Reads see what was handed over before them, unless the disk is in
    // trouble: then they show what it holds.
    if (isWorking()) {
        QMutexLocker lock(&m_shared->mutex);
        const quint64 ticket = m_shared->handed;
        lock.unlock();
        waitFor(ticket, kAnswerWait);
    }
}

void ThreadedScanRecord::patchCurrent(ScanSummary &summary) const
{
    if (summary.id != m_scan)
        return;
    summary.passes = m_passes;
    summary.readings = m_taken;
    summary.failedReadings = m_failed;
    summary.end = m_lastTime;
}

QList<ScanSummary> ThreadedScanRecord::listScans()
{
    if (!m_reader)
        return {};
    prepareRead();
    QList<ScanSummary> list = m_reader->listScans();
    for (ScanSummary &summary : list)
        patchCurrent(summary);
    return list;
}

QList<ScanSummary> ThreadedScanRecord::unfinishedScans()
{
    if (!m_reader)
        return {};
    prepareRead();
    QList<ScanSummary> list = m_reader->unfinishedScans();
    list.removeIf([this](const ScanSummary &scan) { return scan.id == m_scan; });
    return list;
}

std::optional<ScanSummary> ThreadedScanRecord::scan(qint64 id)
{
    if (!m_reader)
        return std::nullopt;
    prepareRead();
    std::optional<ScanSummary> summary = m_reader->scan(id);
    if (summary)
        patchCurrent(*summary);
    else
        m_error = m_reader->errorString();
    return summary;
}

bool ThreadedScanRecord::readScan(qint64 id, const std::function<void(const Reading &)> &visit)
{
    if (!m_reader)
        return false;
    prepareRead();
    if (m_reader->readScan(id, visit))
        return true;
    m_error = m_reader->errorString();
    return false;
}

bool ThreadedScanRecord::addZeroSet(const ZeroSet &set)
{
    if (!isOpen() || m_scan < 0)
        return false;
    hand([set](SqliteScanRecord &record) { record.addZeroSet(set); });
    return true;
}

QList<ZeroSet> ThreadedScanRecord::zeroSets(qint64 id)
{
    if (!m_reader)
        return {};
    prepareRead();
    return m_reader->zeroSets(id);
}

bool ThreadedScanRecord::deleteScan(qint64 id)
{
    if (!isOpen())
        return false;
    if (id == m_scan) {
        m_error = u"the scan being taken cannot be deleted"_s;
        return false;
    }
    struct Answer
    {
        bool deleted = false;
        QString error;
    };
    const auto answer = std::make_shared<Answer>();
    const quint64 ticket = hand([answer, id](SqliteScanRecord &record) {
        answer->deleted = record.deleteScan(id);
        answer->error = record.errorString();
    });
    if (!waitFor(ticket, kAnswerWait)) {
        m_error = u"the disk did not answer within %1 s; the scan is deleted when it does"_s.arg(
            secondsText(kAnswerWait));
        return false;
    }
    if (!answer->deleted)
        m_error = answer->error;
    return answer->deleted;
}

int ThreadedScanRecord::applyRetention(int days, const QDateTime &now)
{
    if (!isOpen() || days <= 0)
        return 0;
    const auto removed = std::make_shared<int>(0);
    const quint64 ticket = hand([removed, days, now](SqliteScanRecord &record) {
        *removed = record.applyRetention(days, now);
    });
    return waitFor(ticket, kAnswerWait) ? *removed : 0;
}
