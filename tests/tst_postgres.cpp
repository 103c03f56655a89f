#include "ForwardingScanRecord.h"
#include "OpenScanRecord.h"
#include "PostgresCopier.h"
#include "SqliteScanRecord.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <vector>

#ifdef Q_OS_UNIX
#include <csignal>
#include <pwd.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace {

constexpr int kServerMs = 30000;
// How long the server is away mid-scan.
constexpr int kOutageMs = 10000;
const QString kRigPassword = u"rig-pass"_s;

// A throwaway PostgreSQL server in a temporary folder, run as an unprivileged
// user (the server refuses to run as root).
class Server
{
public:
    bool start(QString *why)
    {
        const QStringList found = QDir(u"/usr/lib/postgresql"_s)
                                      .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString &version : found)
            if (QFile::exists(u"/usr/lib/postgresql/%1/bin/initdb"_s.arg(version)))
                m_bin = u"/usr/lib/postgresql/%1/bin/"_s.arg(version);
        if (m_bin.isEmpty()) {
            *why = u"no PostgreSQL server installed (Debian package postgresql)"_s;
            return false;
        }
        if (!QSqlDatabase::isDriverAvailable(u"QPSQL"_s)) {
            *why = u"no PostgreSQL driver for Qt SQL (Debian package libqt6sql6-psql)"_s;
            return false;
        }
#ifdef Q_OS_UNIX
        if (::getuid() == 0) {
            const passwd *user = ::getpwnam("postgres");
            if (!user) {
                *why = u"running as root and there is no postgres user to run the server"_s;
                return false;
            }
            m_runAs = u"postgres"_s;
            if (::chown(QFile::encodeName(m_dir.path()).constData(), user->pw_uid, user->pw_gid)
                != 0) {
                *why = u"cannot hand the server's folder to the postgres user"_s;
                return false;
            }
        }
#endif
        m_port = 20000 + int(QCoreApplication::applicationPid() % 20000);
        QFile password(m_dir.filePath(u"pw"_s));
        if (!password.open(QIODevice::WriteOnly) || password.write("postgres\n") < 0)
            return false;
        password.close();
        password.setPermissions(QFile::ReadOwner | QFile::ReadOther);
        if (!run(u"initdb"_s,
                 { u"-D"_s, data(), u"-A"_s, u"scram-sha-256"_s, u"-U"_s, u"postgres"_s,
                   u"--pwfile="_s + password.fileName(), u"--no-sync"_s },
                 why))
            return false;
        // Another program may hold the port: a few more are tried.
        bool started = false;
        for (int attempt = 0; attempt < 3 && !started; ++attempt) {
            if (attempt > 0)
                m_port += 97;
            started = resume(why);
        }
        if (!started)
            return false;
        // The rigs' role and database.
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QPSQL"_s, u"admin"_s);
        db.setHostName(u"127.0.0.1"_s);
        db.setPort(m_port);
        db.setDatabaseName(u"postgres"_s);
        db.setUserName(u"postgres"_s);
        db.setPassword(u"postgres"_s);
        if (!db.open()) {
            *why = db.lastError().text();
            return false;
        }
        QSqlQuery query(db);
        if (!query.exec(u"CREATE ROLE rig LOGIN PASSWORD '%1'"_s.arg(kRigPassword))
            || !query.exec(u"CREATE DATABASE lab OWNER rig"_s)) {
            *why = query.lastError().text();
            return false;
        }
        query = QSqlQuery();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(u"admin"_s);
        return true;
    }

    // Starts the server (again), asynchronously: the caller's event loop
    // keeps running while it comes up.
    QProcess *control(const QString &what)
    {
        auto *process = new QProcess;
        const QStringList arguments {
            u"-D"_s,
            data(),
            u"-l"_s,
            m_dir.filePath(u"log"_s),
            u"-o"_s,
            u"-p %1 -k %2 -c listen_addresses=127.0.0.1 -c fsync=off"_s.arg(m_port).arg(
                m_dir.path()),
            u"-w"_s,
            u"-m"_s,
            u"fast"_s,
            what
        };
        startAs(*process, u"pg_ctl"_s, arguments);
        return process;
    }
    bool resume(QString *why)
    {
        return finish(control(u"start"_s), why);
    }
    bool halt(QString *why)
    {
        return finish(control(u"stop"_s), why);
    }

    ~Server()
    {
        if (!m_bin.isEmpty() && QFile::exists(data() + u"/postmaster.pid"_s)) {
            QString ignored;
            halt(&ignored);
        }
    }

    QString url(const QString &password) const
    {
        return u"postgresql://rig:%1@127.0.0.1:%2/lab"_s.arg(password).arg(m_port);
    }

private:
    QString data() const
    {
        return m_dir.filePath(u"pg"_s);
    }

    void startAs(QProcess &process, const QString &tool, const QStringList &arguments)
    {
        if (m_runAs.isEmpty())
            process.start(m_bin + tool, arguments);
        else
            process.start(u"runuser"_s,
                          QStringList { u"-u"_s, m_runAs, u"--"_s, m_bin + tool } + arguments);
    }
    bool run(const QString &tool, const QStringList &arguments, QString *why)
    {
        auto *process = new QProcess;
        startAs(*process, tool, arguments);
        return finish(process, why);
    }
    static bool finish(QProcess *process, QString *why)
    {
        std::unique_ptr<QProcess> owned(process);
        // Waited for in an event loop, so that timers (the scan's ticks) go on.
        QDeadlineTimer deadline(kServerMs);
        while (process->state() != QProcess::NotRunning && !deadline.hasExpired())
            QTest::qWait(20);
        if (process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0)
            return true;
        *why = QString::fromLocal8Bit(process->readAllStandardError() + process->readAll());
        return false;
    }

    QTemporaryDir m_dir;
    QString m_bin;
    QString m_runAs;
    int m_port = 0;
};

Reading readingAt(int index, int channels)
{
    Reading reading;
    reading.pass = 1 + index / channels;
    reading.channel = index % channels;
    reading.time = QDateTime::currentDateTimeUtc();
    if (index % 7 == 3) {
        reading.status = Reading::Status::NoReply;
        reading.raw = "12.";
    } else {
        reading.value = QString::number(index * 0.25, 'f', 2);
        reading.unit = u"kPa"_s;
    }
    return reading;
}

ScanInfo scanOf(const QString &host, int channels)
{
    ScanInfo info;
    info.start = QDateTime::currentDateTimeUtc();
    info.portName = u"com1"_s;
    info.device = u"/dev/ttyUSB0"_s;
    info.endChannel = channels - 1;
    info.term = std::chrono::milliseconds(200);
    info.host = host;
    return info;
}

// The server's copy of host's only scan.
std::optional<ScanSummary> copyOf(PostgresCopier &server, const QString &host)
{
    for (const ScanSummary &scan : server.listScans())
        if (scan.info.host == host)
            return scan;
    return std::nullopt;
}

void compareReadings(const QList<Reading> &server, const QList<Reading> &local)
{
    QCOMPARE(server.size(), local.size());
    for (qsizetype i = 0; i < local.size(); ++i) {
        QCOMPARE(server[i].pass, local[i].pass);
        QCOMPARE(server[i].channel, local[i].channel);
        QCOMPARE(server[i].time, local[i].time);
        QCOMPARE(server[i].value, local[i].value);
        QCOMPARE(server[i].unit, local[i].unit);
        QCOMPARE(server[i].status, local[i].status);
        QCOMPARE(server[i].raw, local[i].raw);
        QCOMPARE(server[i].settleQueries, local[i].settleQueries);
        QCOMPARE(server[i].settleMs, local[i].settleMs);
        QCOMPARE(server[i].settled, local[i].settled);
    }
}

bool waitUntilSent(ForwardingScanRecord &record, int timeoutMs)
{
    QSignalSpy ended(&record, &ForwardingScanRecord::roundAskedForEnded);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        ended.clear();
        record.forwardNow();
        if (!ended.wait(timeoutMs))
            return false;
        if (ended.first().first().toBool())
            return true;
        QTest::qWait(200);
    }
    return false;
}

double percentile(std::vector<qint64> ns, double p)
{
    if (ns.empty())
        return 0;
    std::sort(ns.begin(), ns.end());
    return double(ns[std::size_t(p * double(ns.size() - 1))]) / 1000.0;
}

} // namespace

class tst_Postgres : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void twoRigsWriteAtOnce();
    void serverAwayMidScanLosesAndRepeatsNothing();
    void commandLineScan_data();
    void commandLineScan();
    void hostileReadingsDoNotStopForwarding();
    void clonedRigsKeepTheirReadings();
    void exitUnderServerLockIsBounded();

private:
    QSqlDatabase lab();
    std::unique_ptr<Server> m_server;
    QTemporaryDir m_dir;
    std::unique_ptr<PostgresCopier> m_reader;
};

void tst_Postgres::initTestCase()
{
    m_server = std::make_unique<Server>();
    QString why;
    if (!m_server->start(&why))
        QSKIP(qPrintable(u"cannot start a PostgreSQL server for the test: "_s + why));
    m_reader = std::make_unique<PostgresCopier>(QUrl(m_server->url(kRigPassword)));
}

void tst_Postgres::twoRigsWriteAtOnce()
{
    // Each rig's file holds a backlog when the rigs start forwarding, and
    // both keep scanning while they send.
    constexpr int kBacklog = 3000;
    constexpr int kLive = 200;
    constexpr int kChannels = 10;
    const QStringList hosts { u"rig-a"_s, u"rig-b"_s };
    std::vector<std::unique_ptr<ForwardingScanRecord>> rigs;
    for (const QString &host : hosts) {
        auto local = std::make_unique<SqliteScanRecord>(m_dir.filePath(host + u".sqlite"_s));
        QVERIFY(local->open());
        QVERIFY(local->beginScan(scanOf(host, kChannels)) > 0);
        for (int i = 0; i < kBacklog; ++i)
            QVERIFY(local->addReading(readingAt(i, kChannels)));
        rigs.push_back(std::make_unique<ForwardingScanRecord>(std::move(local),
                                                              QUrl(m_server->url(kRigPassword))));
    }
    QElapsedTimer clock;
    clock.start();
    for (int i = kBacklog; i < kBacklog + kLive; ++i) {
        for (auto &rig : rigs)
            QVERIFY(rig->addReading(readingAt(i, kChannels)));
        QTest::qWait(1);
    }
    for (auto &rig : rigs) {
        QVERIFY(rig->endScan());
        QVERIFY(waitUntilSent(*rig, kServerMs));
    }
    qInfo("two rigs sent %d readings each in %lld ms", kBacklog + kLive, clock.elapsed());

    QVERIFY2(m_reader->open(), qPrintable(m_reader->errorString()));
    for (std::size_t r = 0; r < rigs.size(); ++r) {
        const std::optional<ScanSummary> copy = copyOf(*m_reader, hosts[qsizetype(r)]);
        QVERIFY(copy);
        const ScanSummary local = rigs[r]->listScans().first();
        QCOMPARE(copy->state, ScanState::Stopped);
        QCOMPARE(copy->readings, local.readings);
        QCOMPARE(copy->failedReadings, local.failedReadings);
        QCOMPARE(copy->passes, local.passes);
        compareReadings(m_reader->loadScan(copy->id), rigs[r]->loadScan(local.id));
    }
}

void tst_Postgres::serverAwayMidScanLosesAndRepeatsNothing()
{
    constexpr int kChannels = 5;
    const QString host = u"rig-c"_s;
    auto local = std::make_unique<SqliteScanRecord>(m_dir.filePath(u"rig-c.sqlite"_s));
    QVERIFY(local->open());
    ForwardingScanRecord rig(std::move(local), QUrl(m_server->url(kRigPassword)));
    QVERIFY(rig.beginScan(scanOf(host, kChannels)) > 0);

    // The scan's ticks, timed, with the server there, away and back.
    std::vector<qint64> upNs;
    std::vector<qint64> downNs;
    bool away = false;
    int taken = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    connect(&tick, &QTimer::timeout, this, [&] {
        QElapsedTimer cost;
        cost.start();
        const bool kept = rig.addReading(readingAt(taken++, kChannels));
        (away ? downNs : upNs).push_back(cost.nsecsElapsed());
        QVERIFY(kept);
    });
    tick.start(20);
    QTest::qWait(1500);

    QString why;
    QVERIFY2(m_server->halt(&why), qPrintable(why));
    away = true;
    QTRY_VERIFY_WITH_TIMEOUT(!rig.warningString().isEmpty(), kServerMs);
    QVERIFY2(rig.warningString().contains(u"kept on this machine"_s),
             qPrintable(rig.warningString()));
    QTest::qWait(kOutageMs);
    QVERIFY2(m_server->resume(&why), qPrintable(why));
    away = false;
    QTRY_VERIFY_WITH_TIMEOUT(rig.warningString().isEmpty(), kServerMs);
    QTest::qWait(500);
    tick.stop();
    QVERIFY(rig.endScan());
    QVERIFY(waitUntilSent(rig, kServerMs));
    qInfo("tick cost in us, server up: median %.1f, p99 %.1f, max %.1f (%zu ticks); "
          "server away: median %.1f, p99 %.1f, max %.1f (%zu ticks)",
          percentile(upNs, 0.5), percentile(upNs, 0.99), percentile(upNs, 1.0), upNs.size(),
          percentile(downNs, 0.5), percentile(downNs, 0.99), percentile(downNs, 1.0),
          downNs.size());

    QVERIFY2(m_reader->open(), qPrintable(m_reader->errorString()));
    const std::optional<ScanSummary> copy = copyOf(*m_reader, host);
    QVERIFY(copy);
    QCOMPARE(copy->readings + copy->failedReadings, qint64(taken));
    compareReadings(m_reader->loadScan(copy->id), rig.loadScan(rig.listScans().first().id));
}

void tst_Postgres::commandLineScan_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("onServer");
    QTest::newRow("reaches the server") << kRigPassword << QString() << 4;
    QTest::newRow("wrong password") << u"not-it"_s << u"password authentication failed"_s << 0;
}

void tst_Postgres::commandLineScan()
{
    QFETCH(QString, password);
    QFETCH(QString, message);
    QFETCH(int, onServer);
    QTemporaryDir state;
    QProcess scan;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_STATE_HOME"_s, state.path());
    scan.setProcessEnvironment(env);
    // The names travel with the scan to the server.
    QFile names(state.filePath(u"names.csv"_s));
    QVERIFY(names.open(QIODevice::WriteOnly) && names.write("1,Outlet,\"after, valve\"\n") > 0);
    names.close();
    scan.start(QStringLiteral(ROZIVODA_SCAN_BINARY),
               { u"--demo"_s, u"--range"_s, u"0-1"_s, u"--term"_s, u"0.2"_s, u"--passes"_s, u"2"_s,
                 u"--settle-tolerance"_s, u"1"_s, u"--store"_s, m_server->url(password),
                 u"--channel-names"_s, names.fileName() });
    QTRY_VERIFY_WITH_TIMEOUT(scan.state() == QProcess::NotRunning, kServerMs);
    const QString errors = QString::fromLocal8Bit(scan.readAllStandardError());
    QVERIFY2(scan.exitCode() == 0, qPrintable(errors));
    if (!message.isEmpty()) {
        QVERIFY2(errors.contains(message), qPrintable(errors));
        QVERIFY2(!errors.contains(password), qPrintable(errors));
    }

    // The rig's own file holds the scan whatever became of the server.
    SqliteScanRecord local(state.filePath(u"ROZIVODA/scans.sqlite"_s));
    QVERIFY(local.open());
    const QList<ScanSummary> scans = local.listScans();
    QCOMPARE(scans.size(), 1);
    QCOMPARE(scans.first().readings, 4);

    QVERIFY2(m_reader->open(), qPrintable(m_reader->errorString()));
    qint64 stored = 0;
    for (const ScanSummary &copy : m_reader->listScans())
        if (copy.info.portName == u"demo"_s && copy.info.start == scans.first().info.start) {
            stored += copy.readings;
            QCOMPARE(copy.info.names, scans.first().info.names);
            QCOMPARE(copy.info.names.note(1), u"after, valve"_s);
        }
    QCOMPARE(stored, qint64(onServer));
    // How each reading settled reaches the server with it.
    if (onServer > 0) {
        const QList<Reading> kept = local.loadScan(scans.first().id);
        QVERIFY(!kept.isEmpty() && kept.first().settleQueries >= 2);
        for (const ScanSummary &copy : m_reader->listScans())
            if (copy.info.portName == u"demo"_s && copy.info.start == scans.first().info.start)
                compareReadings(m_reader->loadScan(copy.id), kept);
    }
}

// The lab's database as its administrator sees it.
QSqlDatabase tst_Postgres::lab()
{
    if (QSqlDatabase::contains(u"lab"_s))
        return QSqlDatabase::database(u"lab"_s);
    const QUrl url(m_server->url(kRigPassword));
    QSqlDatabase db = QSqlDatabase::addDatabase(u"QPSQL"_s, u"lab"_s);
    db.setHostName(url.host());
    db.setPort(url.port());
    db.setDatabaseName(u"lab"_s);
    db.setUserName(url.userName());
    db.setPassword(kRigPassword);
    db.open();
    return db;
}

void tst_Postgres::hostileReadingsDoNotStopForwarding()
{
    QVERIFY2(m_reader->open(), qPrintable(m_reader->errorString()));
    QSqlQuery admin(lab());
    // A rule of the lab's that one reading breaks.
    QVERIFY2(admin.exec(u"ALTER TABLE reading ADD CONSTRAINT no_13 CHECK (channel <> 13)"_s),
             qPrintable(admin.lastError().text()));
    const QString host = u"rig-hostile"_s;
    auto local = std::make_unique<SqliteScanRecord>(m_dir.filePath(u"hostile.sqlite"_s));
    QVERIFY(local->open());
    QVERIFY(local->beginScan(scanOf(host, 20)) > 0);
    // A unit padded with NULs, as an older version kept it from the line.
    Reading padded = readingAt(12, 20);
    padded.unit = u"kPa"_s + QString(4, QChar(0));
    for (const Reading &reading : { padded, readingAt(13, 20), readingAt(14, 20) })
        QVERIFY(local->addReading(reading));
    QVERIFY(local->endScan());
    QVERIFY(local->beginScan(scanOf(host, 20)) > 0);
    QVERIFY(local->addReading(readingAt(15, 20)));
    QVERIFY(local->endScan());
    ForwardingScanRecord rig(std::move(local), QUrl(m_server->url(kRigPassword)));
    const bool sent = waitUntilSent(rig, kServerMs);
    QVERIFY(admin.exec(u"ALTER TABLE reading DROP CONSTRAINT no_13"_s));
    QVERIFY2(sent, qPrintable(rig.warningString()));
    QVERIFY2(rig.warningString().contains(u"1 readings were refused"_s),
             qPrintable(rig.warningString()));

    QVERIFY(
        admin.exec(u"SELECT s.start_ms, r.channel, u.text FROM reading r JOIN scan s ON "
                   "s.id = r.scan LEFT JOIN unit u ON u.id = r.unit WHERE s.host = 'rig-hostile' "
                   "ORDER BY s.id, r.seq"_s));
    QStringList stored;
    while (admin.next())
        stored.append(admin.value(1).toString() + u':' + admin.value(2).toString());
    QCOMPARE(stored, QStringList({ u"12:kPa    "_s, u"14:kPa"_s, u"15:kPa"_s }));

    // The view gives numbers a data frame can average.
    QVERIFY(admin.exec(u"SELECT pg_typeof(value)::text, value, value_text FROM readings "
                       "WHERE host = 'rig-hostile' ORDER BY scan, seq LIMIT 1"_s)
            && admin.next());
    QCOMPARE(admin.value(0).toString(), u"double precision"_s);
    QCOMPARE(admin.value(1).toDouble(), 3.0);
    QCOMPARE(admin.value(2).toString(), u"3.00"_s);
}

void tst_Postgres::clonedRigsKeepTheirReadings()
{
    // Two machines made from one image: one host name, a file each.
    std::vector<std::unique_ptr<ForwardingScanRecord>> rigs;
    for (int r = 0; r < 2; ++r) {
        auto local
            = std::make_unique<SqliteScanRecord>(m_dir.filePath(u"clone-%1.sqlite"_s.arg(r)));
        QVERIFY(local->open());
        for (int i = 0; i < 3; ++i)
            QVERIFY(local->addReading(readingAt(i, 5)));
        rigs.push_back(std::make_unique<ForwardingScanRecord>(std::move(local),
                                                              QUrl(m_server->url(kRigPassword))));
    }
    QVERIFY(recordRigId(rigs[0].get()) != recordRigId(rigs[1].get()));
    for (auto &rig : rigs)
        QVERIFY(waitUntilSent(*rig, kServerMs));
    QSqlQuery admin(lab());
    admin.prepare(u"SELECT count(*) FROM reading r JOIN scan s ON s.id = r.scan "
                  "WHERE s.state = 'manual' AND s.host = ?"_s);
    admin.addBindValue(QSysInfo::machineHostName());
    QVERIFY(admin.exec() && admin.next());
    QCOMPARE(admin.value(0).toInt(), 6);
}

void tst_Postgres::exitUnderServerLockIsBounded()
{
#ifdef Q_OS_UNIX
    QVERIFY2(m_reader->open(), qPrintable(m_reader->errorString()));
    // An administrator's VACUUM FULL holds the table for as long as it runs.
    QSqlDatabase db = lab();
    QVERIFY(db.transaction());
    QSqlQuery admin(db);
    QVERIFY(admin.exec(u"LOCK TABLE reading IN ACCESS EXCLUSIVE MODE"_s));

    QTemporaryDir state;
    QProcess scan;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_STATE_HOME"_s, state.path());
    scan.setProcessEnvironment(env);
    scan.start(QStringLiteral(ROZIVODA_SCAN_BINARY),
               { u"--demo"_s, u"--range"_s, u"0-1"_s, u"--term"_s, u"0.2"_s, u"--store"_s,
                 m_server->url(kRigPassword) });
    QVERIFY(scan.waitForStarted());
    QTest::qWait(1500);
    ::kill(pid_t(scan.processId()), SIGINT);
    QTest::qWait(1000);
    // Asked again: the program leaves the readings for the next run.
    QElapsedTimer clock;
    clock.start();
    ::kill(pid_t(scan.processId()), SIGINT);
    QTRY_VERIFY_WITH_TIMEOUT(scan.state() == QProcess::NotRunning, 20000);
    qInfo("ended %lld ms after the second Ctrl+C", clock.elapsed());
    db.rollback();
    const QString errors = QString::fromLocal8Bit(scan.readAllStandardError());
    QVERIFY2(errors.contains(u"wait on this machine for the next run"_s), qPrintable(errors));
    QCOMPARE(scan.exitCode(), 0);
#else
    QSKIP("signals are POSIX");
#endif
}

QTEST_GUILESS_MAIN(tst_Postgres)
#include "tst_postgres.moc"
