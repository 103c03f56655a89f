#include "FakeDialogs.h"
#include "FakeSerialPort.h"
#include "FakeTimer.h"
#include "FileCommands.h"
#include "GridLayout.h"
#include "HistoryCommands.h"
#include "MainWindowFixture.h"
#include "MemorySettings.h"
#include "PortMap.h"
#include "QtEventPump.h"
#include "ResultDocument.h"
#include "ResultTable.h"
#include "ScanHistoryModel.h"
#include "ScanRecovery.h"
#include "ScanSession.h"
#include "SqliteScanRecord.h"
#include "StoredSettings.h"
#include "frmScanHistory.h"

#include <QFile>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// What the commands asked of the window.
struct FakeHost : DocumentHost
{
    QStringList notices;

    void enterIdleState() override { }
    void setBusy(bool) override { }
    bool showLoadProgress(qint64, qint64) override { return true; }
    void showNotice(const QString &notice) override { notices << notice; }
};

const QDateTime kStart = QDateTime::fromMSecsSinceEpoch(1796640000000, Qt::UTC);

// Two passes over channels 3 to 4; pass 2 lacks channel 4.
qint64 storeScan(ScanRecord &record, const QDateTime &start, const QString &port = u"com1"_s,
                 const ChannelNames &names = {})
{
    ScanInfo info;
    info.names = names;
    info.start = start;
    info.portName = port;
    info.device = u"/dev/ttyS0"_s;
    info.startChannel = 3;
    info.endChannel = 4;
    info.term = std::chrono::milliseconds(200);
    const qint64 id = record.beginScan(info);
    struct Taken
    {
        int pass;
        int channel;
        QString value;
    };
    const Taken taken[] = { { 1, 3, u"1.5"_s }, { 1, 4, u"-2"_s }, { 2, 3, u"1.625"_s } };
    int at = 0;
    for (const Taken &t : taken) {
        Reading reading;
        reading.pass = t.pass;
        reading.channel = t.channel;
        reading.time = start.addMSecs(200 * ++at);
        reading.value = t.value;
        reading.unit = u"kgf/cm2"_s;
        record.addReading(reading);
    }
    record.endScan(ScanState::Stopped, start.addSecs(2));
    return id;
}

} // namespace

class tst_History : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void retentionDays_data();
    void retentionDays();
    void openScanOffersToSaveFirst_data();
    void openScanOffersToSaveFirst();
    void exportCsv_data();
    void exportCsv();
    void historyListsAndDeletes();
    void simulatedScanIsMarkedInHistoryAndCsv();
    void saveCountsCellsWrittenAsZero();
    void impossibleScanIsSaidOnceNotOffered();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SqliteScanRecord> m_record;
    FakeSerialPort m_port;
    FakeTimerFactory m_timers;
    QtEventPump m_events;
    std::unique_ptr<FakeDialogs> m_dialogs;
    std::unique_ptr<FakeHost> m_host;
    std::unique_ptr<ScanSession> m_session;
    std::unique_ptr<ResultDocument> m_document;
    std::unique_ptr<FileCommands> m_files;
    std::unique_ptr<HistoryCommands> m_history;
};

void tst_History::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_record = std::make_unique<SqliteScanRecord>(m_dir->filePath(u"scans.sqlite"_s));
    QVERIFY(m_record->open());
    m_session = std::make_unique<ScanSession>(m_port, m_timers);
    m_session->setRecord(m_record.get());
    m_dialogs = std::make_unique<FakeDialogs>();
    m_host = std::make_unique<FakeHost>();
    m_document = std::make_unique<ResultDocument>(*m_session);
    m_files = std::make_unique<FileCommands>(*m_document, *m_dialogs, m_events, *m_host);
    m_history
        = std::make_unique<HistoryCommands>(*m_session, *m_document, *m_files, *m_dialogs, *m_host);
}

void tst_History::cleanup()
{
    m_history.reset();
    m_files.reset();
    m_document.reset();
    m_session.reset();
    m_record.reset();
}

void tst_History::retentionDays_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("days");
    QTest::newRow("unset") << QString() << 90;
    QTest::newRow("set") << u"30"_s << 30;
    QTest::newRow("keep everything") << u"0"_s << 0;
    // A damaged value must not remove scans early.
    QTest::newRow("not a number") << u"ten"_s << 90;
    QTest::newRow("negative") << u"-5"_s << 90;
    QTest::newRow("huge") << u"1e12"_s << 90;
}

void tst_History::retentionDays()
{
    QFETCH(QString, stored);
    QFETCH(int, days);
    MemorySettings settings;
    if (!stored.isNull())
        settings.setValue(u"Record"_s, u"RetentionDays"_s, stored);
    QCOMPARE(StoredSettings::retentionDays(settings), days);
}

void tst_History::openScanOffersToSaveFirst_data()
{
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<bool>("opened");
    QTest::newRow("no") << QMessageBox::No << true;
    QTest::newRow("cancel") << QMessageBox::Cancel << false;
}

void tst_History::openScanOffersToSaveFirst()
{
    QFETCH(QMessageBox::StandardButton, answer);
    QFETCH(bool, opened);
    ChannelNames then;
    then.set(4, u"Inlet"_s, {});
    ChannelNames today;
    today.set(4, u"Renamed"_s, {});
    const qint64 id = storeScan(*m_record, kStart, u"com1"_s, then);
    ResultTable earlier;
    earlier.setLayout(gridLayoutFor(0, 0));
    earlier.setChannelNames(today);
    earlier.setRows(1);
    earlier.setText(earlier.appendRow(), 1, u"9"_s);
    earlier.setRowTime(1, kStart.addDays(-1));
    m_document->replace(earlier, { QString(), -1, true, false });
    const ResultTable &table = m_document->table();
    m_dialogs->answers << answer;

    QCOMPARE(m_history->openScan(id), opened);
    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(m_dialogs->messages.first().text, u"Will you save previous results?"_s);
    // The scan's names come with it, not the ones the table had.
    QCOMPARE(table.channelNames(), opened ? then : today);
    if (!opened) {
        QCOMPARE(table.text(1, 1), u"9"_s);
        QVERIFY(m_files->Unsaved());
        QVERIFY(!m_document->isStartHeld());
        return;
    }
    QCOMPARE(table.rows(), 3);
    QCOMPARE(table.text(0, 2), u"Ch 04"_s);
    QCOMPARE(table.text(1, 2), u"-2"_s);
    QCOMPARE(table.text(2, 1), u"1.625"_s);
    QVERIFY(table.text(2, 2).isEmpty());
    // The rows' times are the scan's, not those of the table it replaced.
    QCOMPARE(table.rowTime(1), kStart.addMSecs(200));
    QCOMPARE(table.rowTime(2), kStart.addMSecs(600));
    QVERIFY(!m_files->Unsaved());
    QVERIFY(m_document->isStartHeld());
    QCOMPARE(m_document->caption(), HistoryCommands::scanTitle(kStart));
    QCOMPARE(m_document->storedScan(), id);
}

void tst_History::exportCsv_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::newRow("suffix added") << u"run"_s << u"run.csv"_s;
    QTest::newRow("suffix kept") << u"run.txt"_s << u"run.txt"_s;
    QTest::newRow("missing folder") << u"no/such/run.csv"_s << QString();
}

void tst_History::exportCsv()
{
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    const qint64 id = storeScan(*m_record, kStart);
    m_dialogs->savePaths << m_dir->filePath(chosen);

    QCOMPARE(m_history->exportScan(id), !written.isEmpty());
    if (written.isEmpty()) {
        // Which file, and why.
        QCOMPARE(m_dialogs->messages.size(), 1);
        QVERIFY(m_dialogs->messages.first().text.contains(m_dir->filePath(chosen)));
        QVERIFY(m_dialogs->messages.first().text.contains(u"No such file or directory"_s));
        return;
    }
    QFile file(m_dir->filePath(written));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.value(0), "\xEF\xBB\xBFpass,time,Ch 03,Ch 04,unit\r");
    QVERIFY(lines.value(2).startsWith("2,"));
    QVERIFY(lines.value(2).endsWith(",1.625,,kgf/cm2\r"));
}

void tst_History::historyListsAndDeletes()
{
    const qint64 older = storeScan(*m_record, kStart);
    ChannelNames names;
    names.set(3, u"Inlet <static>"_s, u"tap A"_s);
    const qint64 newer = storeScan(*m_record, kStart.addSecs(60), u"com1"_s, names);
    frmScanHistory history(*m_record, *m_dialogs);
    auto *grid = history.findChild<QTableView *>(u"grdScans"_s);
    QVERIFY(grid);
    QCOMPARE(grid->model()->rowCount(), 2);
    QCOMPARE(history.selectedScan(), newer);
    QCOMPARE(grid->model()->index(0, 2).data().toString(), u"3 - 4"_s);
    QCOMPARE(grid->model()->index(0, 2).data(Qt::ToolTipRole).toString(),
             u"<qt>Ch 03 Inlet &lt;static&gt;: tap A</qt>"_s);
    QVERIFY(grid->model()->index(1, 2).data(Qt::ToolTipRole).isNull());
    QCOMPARE(grid->model()->index(0, 3).data().toString(), u"0.2 s"_s);
    QCOMPARE(grid->model()->index(0, 4).data().toInt(), 2);

    // No keeps it, Yes deletes it.
    m_dialogs->answers << QMessageBox::No << QMessageBox::Yes;
    auto *del = history.findChild<QPushButton *>(u"cmdDelete"_s);
    del->click();
    QCOMPARE(grid->model()->rowCount(), 2);
    del->click();
    QCOMPARE(grid->model()->rowCount(), 1);
    QVERIFY(!m_record->scan(newer));
    QCOMPARE(history.selectedScan(), older);

    history.findChild<QPushButton *>(u"cmdOpen"_s)->click();
    QCOMPARE(history.result(), int(QDialog::Accepted));
    QCOMPARE(history.choice(), frmScanHistory::Choice::Open);
    QCOMPARE(history.chosenScan(), older);
}

void tst_History::simulatedScanIsMarkedInHistoryAndCsv()
{
    const qint64 id = storeScan(*m_record, kStart, PortMap::simulatedPortName(u"com1"_s));
    frmScanHistory history(*m_record, *m_dialogs);
    const QAbstractItemModel *model = history.findChild<QTableView *>(u"grdScans"_s)->model();
    QCOMPARE(model->index(0, ScanHistoryModel::Port).data().toString(), u"simulated scanner"_s);

    m_dialogs->savePaths << m_dir->filePath(u"demo.csv"_s);
    QVERIFY(m_history->exportScan(id));
    QFile file(m_dir->filePath(u"demo.csv"_s));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.value(0), "\xEF\xBB\xBFpass,time,Ch 03,Ch 04,unit,scanner\r");
    QVERIFY(lines.value(2).endsWith(",1.625,,kgf/cm2,simulated\r"));
}

void tst_History::saveCountsCellsWrittenAsZero()
{
    MainWindowFixture f;
    frmMain &window = f.start();
    ResultTable &table = window.resultTable();
    table.setLayout(gridLayoutFor(0, 2));
    for (int pass = 1; pass <= 2; ++pass) {
        table.appendRow();
        table.setText(pass, 0, QString::number(pass));
        table.setText(pass, 1, u"1.5"_s);
        table.setText(pass, 4, u"kgf/cm2"_s);
    }
    table.setText(1, 2, u"0"_s);
    f.dialogs.savePaths << f.dir.filePath(u"run.txt"_s);
    f.find<QAction>(u"mnuFileSave"_s)->trigger();
    // Row 1 channel 2, row 2 channels 1 and 2; a 0 that was read is not counted.
    QCOMPARE(window.statusBar()->toolTip(), u"3 cells without a reading were written as 0"_s);
}

void tst_History::impossibleScanIsSaidOnceNotOffered()
{
    // A program that ended without Stop left a scan whose last channel a
    // damaged file turned into 2147483647: restoring it would take all memory.
    const QString path = m_dir->filePath(u"damaged.sqlite"_s);
    {
        SqliteScanRecord left(path);
        QVERIFY(left.open());
        ScanInfo info;
        info.startChannel = 0;
        info.endChannel = 1;
        QVERIFY(left.beginScan(info) > 0);
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"damage"_s);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(db).exec(u"UPDATE scan SET last_channel = 2147483647"_s));
    }
    QSqlDatabase::removeDatabase(u"damage"_s);
    SqliteScanRecord record(path);
    QVERIFY(record.open());
    ResultTable table;
    FakeDialogs dialogs;
    QCOMPARE(ScanRecovery::offer(record, dialogs, table), -1);
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages.first().icon, QMessageBox::Warning);
    QVERIFY2(dialogs.messages.first().text.contains(u"2147483647"_s),
             qPrintable(dialogs.messages.first().text));
    QCOMPARE(ScanRecovery::offer(record, dialogs, table), -1);
    QCOMPARE(dialogs.messages.size(), 1);
}

QTEST_MAIN(tst_History)
#include "tst_history.moc"
