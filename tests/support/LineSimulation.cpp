#include "LineSimulation.h"

#include "GridLayout.h"
#include "Reading.h"
#include "ResultTable.h"
#include "ScanCycle.h"
#include "ScannerLink.h"
#include "SerialPort.h"
#include "Timer.h"

#include <QCryptographicHash>
#include <QHash>
#include <QPointer>

#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <random>

using namespace Qt::StringLiterals;
using std::chrono::milliseconds;

namespace {

// Events in time order; events due at the same moment run in the order they
// were scheduled.
class EventQueue
{
public:
    void at(milliseconds when, std::function<void()> action)
    {
        m_events.emplace(std::make_pair(std::max(when, now), m_sequence++), std::move(action));
    }
    bool runNext(milliseconds until)
    {
        if (m_events.empty() || m_events.begin()->first.first > until)
            return false;
        auto next = m_events.extract(m_events.begin());
        now = next.key().first;
        next.mapped()();
        return true;
    }

    milliseconds now { 0 };

private:
    std::map<std::pair<milliseconds, quint64>, std::function<void()>> m_events;
    quint64 m_sequence = 0;
};

class SimTimer : public Timer
{
public:
    explicit SimTimer(EventQueue &events) : m_events(events) { }

    void start(milliseconds interval) override
    {
        m_interval = interval;
        m_active = true;
        schedule();
    }
    void stop() override
    {
        m_active = false;
        ++m_generation;
    }
    bool isActive() const override { return m_active; }
    milliseconds interval() const override { return m_interval; }
    void setSingleShot(bool singleShot) override { m_singleShot = singleShot; }

private:
    void schedule()
    {
        const quint64 generation = ++m_generation;
        m_events.at(m_events.now + m_interval, [self = QPointer<SimTimer>(this), generation] {
            if (!self || self->m_generation != generation || !self->m_active)
                return;
            if (self->m_singleShot)
                self->m_active = false;
            else
                self->schedule();
            Q_EMIT self->timeout();
        });
    }

    EventQueue &m_events;
    milliseconds m_interval { 0 };
    quint64 m_generation = 0;
    bool m_active = false;
    bool m_singleShot = false;
};

class SimTimerFactory : public TimerFactory
{
public:
    explicit SimTimerFactory(EventQueue &events) : m_events(events) { }
    std::unique_ptr<Timer> createTimer() override { return std::make_unique<SimTimer>(m_events); }
    milliseconds now() const override { return m_events.now; }

private:
    EventQueue &m_events;
};

class SimPort : public SerialPort
{
public:
    std::function<void(const QByteArray &)> onWrite;

    void deliver(const QByteArray &bytes)
    {
        // Bytes sent while the line is pulled are lost.
        if (!m_open)
            return;
        m_incoming += bytes;
        Q_EMIT readyRead();
    }
    void pull()
    {
        if (!m_open)
            return;
        m_open = false;
        m_incoming.clear();
        Q_EMIT lineFailed(u"pulled"_s);
    }

    void setDevice(const QString &) override { }
    QString device() const override { return u"sim"_s; }
    bool open() override { return m_open = true; }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    bool write(const QByteArray &data) override
    {
        if (!m_open)
            return false;
        onWrite(data);
        return true;
    }
    QByteArray readAll() override { return std::exchange(m_incoming, {}); }
    QString errorString() const override { return u"line pulled"_s; }

private:
    QByteArray m_incoming;
    bool m_open = true;
};

// The scan's one source of chance.
class Dice
{
public:
    explicit Dice(quint64 seed) : m_random(seed) { }
    double chance() { return std::uniform_real_distribution<double>(0, 1)(m_random); }
    qint64 between(qint64 low, qint64 high)
    {
        return std::uniform_int_distribution<qint64>(low, high)(m_random);
    }

private:
    std::mt19937_64 m_random;
};

// How one scan's scanner misbehaves: each scan draws its own mix, so that some
// scans are dominated by one fault and others combine them all.
struct FaultMix
{
    double slow, late, beyond, lost, cut, split, duplicated, shapedUnreadable;
    double noisePerSecond, streamPerSecond, pullPerSecond;
};

constexpr qint64 kValueScale = 100000; // value = channel * kValueScale + query number

class SimScanner
{
public:
    struct Query
    {
        milliseconds writtenAt;
        int channel;
        bool beyondBound = false;
    };

    SimScanner(EventQueue &events, SimPort &port, Dice &dice, const FaultMix &mix)
        : m_events(events), m_port(port), m_dice(dice), m_mix(mix)
    { }

    QList<Query> queries;
    QList<int> deadChannels;
    std::function<void(const QString &)> log;
    int selected = 0;
    bool kPa = false;

    void receive(const QByteArray &bytes)
    {
        m_pending += bytes;
        qsizetype end;
        while ((end = m_pending.indexOf("\r\n")) >= 0) {
            const QByteArray command = m_pending.left(end);
            m_pending.remove(0, end + 2);
            if (command.startsWith('V'))
                selected = command.mid(1).toInt();
            else if (command == "?R")
                answer();
        }
    }

    double chance() { return m_dice.chance(); }
    qint64 between(qint64 low, qint64 high) { return m_dice.between(low, high); }

    // Bytes of no reply: never without a control byte, sometimes ended like a line.
    QByteArray noise()
    {
        QByteArray bytes(int(between(1, 24)), '\0');
        for (char &byte : bytes)
            byte = char(between(0, 255));
        bytes[int(between(0, bytes.size() - 1))] = char(between(1, 31));
        if (chance() < 0.3)
            bytes += "\n\r";
        return bytes;
    }
    // A stream of text without a terminator, as a scanner in a wrong mode sends.
    QByteArray stream() { return QByteArray(int(between(200, 6000)), 'A' + char(between(0, 25))); }

    // When the first reply later than the bound came out: from then on a
    // misplaced reading is one the link does not claim to prevent.
    milliseconds firstBeyondBound = milliseconds::max();

private:
    void answer()
    {
        const quint64 number = quint64(queries.size());
        queries.append({ m_events.now, selected });
        log(u"query %1 on ch %2"_s.arg(number).arg(selected));
        if (deadChannels.contains(selected) || chance() < m_mix.lost)
            return;
        milliseconds delay(between(2, 40));
        const double timing = chance();
        if (timing < m_mix.beyond) {
            delay = ScannerLink::kReplyBound + milliseconds(between(1, 2000));
            queries.last().beyondBound = true;
        } else if (timing < m_mix.beyond + m_mix.late) {
            delay = milliseconds(between(900, ScannerLink::kReplyBound.count() - 1));
        } else if (timing < m_mix.beyond + m_mix.late + m_mix.slow) {
            delay = milliseconds(between(40, 900));
        }
        QByteArray reply;
        if (chance() < m_mix.shapedUnreadable) {
            // Built like a reply, but its number overflows: no value is taken.
            reply = "1e999999999," + unit() + "\n\r";
        } else {
            const qint64 value = qint64(selected) * kValueScale + qint64(number);
            reply = QByteArray::number(double(value), 'f', 1).rightJustified(11, ' ') + ',' + unit()
                + "\n\r";
        }
        if (chance() < m_mix.cut)
            reply.truncate(between(1, reply.size() - 3));
        // A duplicate follows its original at once, in one piece with it.
        if (chance() < m_mix.duplicated)
            send(reply + reply, delay, false);
        else
            send(reply, delay);
        if (queries.last().beyondBound) {
            m_events.at(m_events.now + delay,
                        [this] { firstBeyondBound = std::min(firstBeyondBound, m_events.now); });
        }
    }

    QByteArray unit() const { return kPa ? "kPa" : "kgf/cm2"; }

public:
    // The scanner's output is one stream of bytes: a reply due while another is
    // being sent follows it, never mixed into it.
    void send(const QByteArray &reply, milliseconds delay, bool mayBeSplit = true)
    {
        m_events.at(m_events.now + delay,
                    [this, reply, mayBeSplit] { transmit(reply, mayBeSplit); });
    }

private:
    void transmit(const QByteArray &reply, bool mayBeSplit)
    {
        if (m_events.now < m_busyUntil) {
            m_events.at(m_busyUntil, [this, reply, mayBeSplit] { transmit(reply, mayBeSplit); });
            return;
        }
        log(u"sends %1"_s.arg(QString::fromLatin1(reply.toPercentEncoding(" .,/"))));
        const bool split = mayBeSplit && chance() < m_mix.split;
        milliseconds at = m_events.now;
        qsizetype from = 0;
        while (from < reply.size()) {
            const qsizetype length = split ? between(1, reply.size() - from) : reply.size();
            const QByteArray piece = reply.mid(from, length);
            m_events.at(at, [this, piece] { m_port.deliver(piece); });
            from += length;
            if (from < reply.size())
                at += milliseconds(between(0, 30));
        }
        m_busyUntil = at + milliseconds(1);
    }

    EventQueue &m_events;
    SimPort &m_port;
    Dice &m_dice;
    FaultMix m_mix;
    QByteArray m_pending;
    milliseconds m_busyUntil { 0 };
};

FaultMix drawMix(Dice &dice)
{
    // Most scans see few faults; about one in four is hostile.
    const double scale = dice.chance() < 0.25 ? 4.0 : 1.0;
    auto rate = [&](double most) {
        return dice.chance() * most * scale;
    };
    return FaultMix { rate(0.05), rate(0.04), rate(0.004), rate(0.03),  rate(0.02), rate(0.05),
                      rate(0.02), rate(0.01), rate(0.05),  rate(0.002), rate(0.002) };
}

} // namespace

LineSimulationResult simulateScan(quint64 seed, bool verbose, bool settleCheck)
{
    LineSimulationResult result;
    result.seed = seed;
    Dice dice(seed);
    EventQueue events;
    SimTimerFactory timers(events);
    SimPort port;
    ResultTable table;

    const FaultMix mix = drawMix(dice);
    SimScanner sim(events, port, dice, mix);
    QCryptographicHash wire(QCryptographicHash::Sha256);
    port.onWrite = [&](const QByteArray &bytes) {
        wire.addData(bytes);
        result.wireBytes += quint64(bytes.size());
        sim.receive(bytes);
    };

    const int startCh = int(sim.between(0, 95));
    const int endCh = std::min(99, startCh + int(sim.between(0, 9)));
    const milliseconds period(sim.between(200, 1000));
    const milliseconds duration(sim.between(20, 120) * period.count());
    if (sim.chance() < 0.2)
        sim.deadChannels.append(int(sim.between(startCh, endCh)));

    ScannerLink link(port, timers);
    ScanCycle cycle(link, timers, table);
    cycle.setStopOnLineLoss(false);
    // Drawn apart from the scanner's dice, so that the scan itself is the one
    // the seed makes without the check. The scanner's replies to one channel
    // differ by the queries between them: a tolerance below 1 never settles.
    SettleCheck settle;
    if (settleCheck) {
        Dice settleDice(seed ^ 0x5e771eULL);
        constexpr double kTolerances[] = { 0.5, 1, 3, 1e9 };
        settle.on = true;
        settle.tolerance = kTolerances[settleDice.between(0, 3)];
        settle.maxExtraQueries = int(settleDice.between(1, 5));
        cycle.setSettleCheck(settle);
    }
    table.setLayout(gridLayoutFor(startCh, endCh));

    auto log = [&](const QString &what) {
        if (verbose)
            std::fprintf(stderr, "%8lld ms  %s\n", qint64(events.now.count()), qPrintable(what));
    };
    sim.log = log;
    auto fault = [&](const QString &what) {
        result.faults << u"at %1 ms: %2"_s.arg(events.now.count()).arg(what);
        log(u"FAULT "_s + what);
    };

    QHash<int, milliseconds> selectedAt;
    QObject::connect(&cycle, &ScanCycle::channelSelected, [&](int channel) {
        selectedAt[channel] = events.now;
        log(u"select %1"_s.arg(channel));
    });
    QObject::connect(&cycle, &ScanCycle::readingDone, [&](const Reading &reading) {
        if (!reading.taken()) {
            result.givenUp += reading.givenUp ? 1 : 0;
            log(u"pass %1 ch %2 failed%3"_s.arg(reading.pass)
                    .arg(reading.channel)
                    .arg(reading.givenUp ? u", given up"_s : QString()));
            return;
        }
        ++result.readings;
        if (settle.active()) {
            if (reading.settled)
                ++result.settled;
            else
                ++result.notSettled;
            if (reading.settleQueries < 1 || reading.settleQueries > settle.maxExtraQueries + 1)
                fault(u"pass %1 ch %2 took %3 queries"_s.arg(reading.pass)
                          .arg(reading.channel)
                          .arg(reading.settleQueries));
            if (reading.settled
                && (reading.settleQueries < 2 || !(reading.settleSpread <= settle.tolerance)))
                fault(u"pass %1 ch %2 stored as settled after %3 queries, spread %4"_s
                          .arg(reading.pass)
                          .arg(reading.channel)
                          .arg(reading.settleQueries)
                          .arg(reading.settleSpread));
            if (!reading.settled && !table.isUnsettled(reading.pass, reading.channel - startCh + 1))
                fault(u"pass %1 ch %2 did not settle and is not marked"_s.arg(reading.pass)
                          .arg(reading.channel));
        } else if (reading.settleQueries != 0) {
            fault(u"a reading without the check took %1 queries"_s.arg(reading.settleQueries));
        }
        const qint64 value = std::llround(reading.value.toDouble());
        const int channel = int(value / kValueScale);
        const qint64 number = value % kValueScale;
        log(u"pass %1 ch %2 stored %3"_s.arg(reading.pass).arg(reading.channel).arg(reading.value));
        if (number < 0 || number >= sim.queries.size()) {
            fault(u"ch %1 holds %2, which no query produced"_s.arg(reading.channel)
                      .arg(reading.value));
            return;
        }
        const SimScanner::Query &query = sim.queries.at(number);
        QString what;
        if (channel != reading.channel || query.channel != reading.channel) {
            what = u"pass %1 ch %2 holds the reply to query %3 on ch %4"_s.arg(reading.pass)
                       .arg(reading.channel)
                       .arg(number)
                       .arg(query.channel);
        } else if (query.writtenAt < selectedAt.value(reading.channel)) {
            what = u"pass %1 ch %2 holds the reply to query %3, written before its select"_s
                       .arg(reading.pass)
                       .arg(reading.channel)
                       .arg(number);
        }
        if (what.isEmpty())
            return;
        if (events.now >= sim.firstBeyondBound)
            result.beyondBoundMisplaced << what;
        else
            fault(what);
    });

    // Unsolicited bytes, streams and pulled lines come at random moments.
    const double seconds = double(duration.count()) / 1000.0;
    for (int i = int(std::round(seconds * mix.noisePerSecond)); i > 0; --i)
        events.at(milliseconds(sim.between(0, duration.count())), [&] {
            const QByteArray noise = sim.noise();
            log(u"noise %1"_s.arg(QString::fromLatin1(noise.toPercentEncoding())));
            port.deliver(noise);
        });
    for (int i = int(std::round(seconds * mix.streamPerSecond)); i > 0; --i) {
        events.at(milliseconds(sim.between(0, duration.count())), [&] {
            const QByteArray stream = sim.stream();
            log(u"stream of %1 bytes"_s.arg(stream.size()));
            sim.send(stream, milliseconds(0));
        });
    }
    for (int i = int(std::round(seconds * mix.pullPerSecond)); i > 0; --i) {
        events.at(milliseconds(sim.between(0, duration.count())), [&] {
            log(u"line pulled"_s);
            port.pull();
            // A scanner switched off and on again starts on channel 0.
            if (sim.chance() < 0.5)
                sim.selected = 0;
            events.at(events.now + milliseconds(sim.between(300, 3000)), [&] {
                log(u"line back"_s);
                port.open();
                cycle.lineRestored();
            });
        });
    }
    if (sim.chance() < 0.3)
        events.at(duration / 2, [&] { sim.kPa = true; });

    log(u"scan of ch %1 to %2 every %3 ms for %4 ms"_s.arg(startCh)
            .arg(endCh)
            .arg(period.count())
            .arg(duration.count()));
    cycle.StartPolling(startCh, endCh, period);
    while (events.runNext(duration)) {
        result.maxBuffered = std::max(result.maxBuffered, link.bufferedBytes());
        result.maxOwed = std::max(result.maxOwed, link.owedReplies());
    }
    cycle.StopScan();

    if (result.maxBuffered > ScannerLink::kMaxReplyLength + 512)
        fault(u"the link held %1 bytes"_s.arg(result.maxBuffered));
    if (result.maxOwed > 64)
        fault(u"the link owed %1 replies"_s.arg(result.maxOwed));
    // Every cell of a finished pass holds its channel's value or is marked.
    for (int row = 1; row < table.rows(); ++row) {
        for (int column = 1; column <= endCh - startCh + 1; ++column) {
            const QString text = table.text(row, column);
            if (text.isEmpty()) {
                if (row < table.rows() - 1 && !table.isMarked(row, column))
                    fault(u"pass %1 ch %2 is empty and not marked"_s.arg(row).arg(startCh + column
                                                                                  - 1));
                continue;
            }
            const qint64 value = std::llround(text.toDouble());
            const bool beyond = sim.firstBeyondBound != milliseconds::max();
            if (value / kValueScale != startCh + column - 1 && !beyond)
                fault(u"pass %1 ch %2 holds %3"_s.arg(row).arg(startCh + column - 1).arg(text));
        }
    }
    result.passes = table.rows() - 1;
    result.wireDigest = wire.result().toHex();
    result.queries = quint64(sim.queries.size());
    result.overlongLines = link.overlongLines();
    for (const SimScanner::Query &query : std::as_const(sim.queries))
        result.beyondBound += query.beyondBound ? 1 : 0;
    return result;
}
