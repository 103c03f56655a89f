#include "Dialogs.h"
#include "GridLayout.h"
#include "LiveData.h"
#include "MemorySettings.h"
#include "OverviewPlot.h"
#include "ResultFileReader.h"
#include "ResultTable.h"
#include "SettingsStore.h"
#include "TrendPlot.h"
#include "frmAlarmLimits.h"
#include "frmChannels.h"
#include "frmLiveView.h"

#include <QHash>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

using namespace Qt::StringLiterals;

namespace {

class NoDialogs : public Dialogs
{
public:
    QMessageBox::StandardButton message(QMessageBox::Icon, const QString &, const QString &text,
                                        QMessageBox::StandardButtons,
                                        QMessageBox::StandardButton) override
    {
        messages << text;
        return QMessageBox::Ok;
    }
    QString openFileName(const QString &, const QString &) override { return {}; }
    QString saveFileName(const QString &, const QString &) override { return savePath; }
    QString savePath;
    QStringList messages;
};

// A scan of channels 1 to 4 over some passes, channel 3 failing at the end,
// its values in the table as the scan writes them.
void feedScan(LiveData &data, ResultTable &table, int passes)
{
    table.setLayout(gridLayoutFor(1, 4));
    table.setRows(passes + 1);
    data.attachTable(&table);
    data.reset(1, 4);
    const QDateTime start(QDate(2026, 12, 7), QTime(9, 0), Qt::UTC);
    for (int pass = 1; pass <= passes; ++pass) {
        for (int channel = 1; channel <= 4; ++channel) {
            Reading reading;
            reading.pass = pass;
            reading.channel = channel;
            reading.time = start.addMSecs(qint64(pass * 4 + channel) * 200);
            if (channel == 3 && pass == passes) {
                reading.status = Reading::Status::NoReply;
            } else {
                reading.value = QString::number(channel + std::sin(pass / 5.0), 'f', 3);
                reading.unit = u"kgf/cm2"_s;
            }
            if (reading.taken()) {
                table.setText(pass, channel, reading.value);
                table.setText(pass, 5, reading.unit);
            }
            if (channel == 1)
                table.setRowTime(pass, reading.time);
            data.setCurrentChannel(channel);
            data.addReading(reading);
        }
    }
}

} // namespace

class tst_frmLiveView : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void opensOnResultFile();
    void followsAScan();
    void exportWritesValidFiles_data();
    void exportWritesValidFiles();
    void remembersGeometryAndOpenState();
    void opensBesideTheMainWindow_data();
    void opensBesideTheMainWindow();
    void hundredChannelLabelsDoNotOverlap();
    void trendWithoutChannelsShowsAHint();
    void alarmLimitsPasteAndApply();
    void channelsPasteAndRefuse();
};

void tst_frmLiveView::opensOnResultFile()
{
    ResultTable table;
    ResultFileReader reader(table);
    QCOMPARE(reader.read(qEnvironmentVariable("ROZIVODA_TEST_DATA")
                         + u"/resultfile-worked-example.txt"_s),
             ResultFileReader::Outcome::Loaded);
    LiveData data;
    MemorySettings settings;
    NoDialogs dialogs;
    frmLiveView window(data, settings, dialogs);
    data.loadFromTable(table);
    QVERIFY(data.isPending());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    auto *list = window.findChild<QListWidget *>(u"lstTrendChannels"_s);
    QVERIFY(list);
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->item(0)->text(), u"Ch 00"_s);
    QCOMPARE(window.trendChannels(), QList<int> { 0 });
    QCOMPARE(list->item(0)->checkState(), Qt::Checked);
    QCOMPARE(window.trendPlot()->xAxis->label(), u"Pass"_s);
    QVERIFY(!data.isPending());
    QCOMPARE(window.trendPlot()->graph(0)->data()->size(), data.trendSize(0));
    QCOMPARE(window.overviewPlot()->yAxis->label(), u"Value (kgf/cm2)"_s);
    auto *health = window.findChild<QTableView *>(u"grdHealth"_s);
    QVERIFY(health);
    QCOMPARE(health->model()->rowCount(), 2);

    // Checking a channel in the list adds it to the trend.
    list->item(1)->setCheckState(Qt::Checked);
    QCOMPARE(window.trendChannels(), (QList<int> { 0, 1 }));
    window.toggleTrendChannel(0);
    QCOMPARE(window.trendChannels(), QList<int> { 1 });
    QCOMPARE(list->item(0)->checkState(), Qt::Unchecked);
}

void tst_frmLiveView::followsAScan()
{
    LiveData data;
    MemorySettings settings;
    NoDialogs dialogs;
    frmLiveView window(data, settings, dialogs);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.setTab(frmLiveView::TrendTab);
    ResultTable table;
    // The scan's names: a long one is cut where space is short, and markup
    // shows as typed.
    ChannelNames names;
    names.set(2, u"<b>Inlet</b> static pressure behind the valve"_s, u"tap A"_s);
    table.setChannelNames(names);
    feedScan(data, table, 50);
    window.setTrendChannels({ 2, 3 });
    window.replotNow();
    const QString shortLabel = names.label(2, 24);
    QCOMPARE(shortLabel, u"Ch 02 <b>Inlet</b> static pre\u2026"_s);
    QCOMPARE(window.trendPlot()->graph(0)->name(), shortLabel);
    QCOMPARE(window.trendPlot()->graph(1)->name(), u"Ch 03"_s);
    QCOMPARE(window.findChild<QListWidget *>(u"lstTrendChannels"_s)->item(1)->text(), shortLabel);
    const QAbstractItemModel *health = window.findChild<QTableView *>(u"grdHealth"_s)->model();
    QCOMPARE(health->index(1, 0).data().toString(), shortLabel);
    QCOMPARE(health->index(1, 0).data(Qt::ToolTipRole).toString(), names.toolTip(2));
    QCOMPARE(window.trendPlot()->xAxis->label(), u"Time"_s);
    QCOMPARE(window.trendPlot()->pointsHeld(), 99);
    QCOMPARE(window.findChild<QLabel *>(u"lblSummary"_s)->text(),
             u"1 channel failing; see Live View"_s);
    // Zoomed in, the plot keeps following no more; autoscale shows it all again.
    window.trendPlot()->xAxis->scaleRange(0.1);
    window.trendPlot()->autoscale();
    QVERIFY(window.trendPlot()->isFollowing());
    double first = 0;
    double last = 0;
    QVERIFY(data.trendKeys(2, &first, &last));
    QCOMPARE(window.trendPlot()->xAxis->range().lower, first);

    // Names edited between scans show at once.
    names.set(3, u"Outlet"_s, {});
    table.setChannelNames(names);
    window.replotNow();
    QCOMPARE(window.trendPlot()->graph(1)->name(), u"Ch 03 Outlet"_s);
    QCOMPARE(health->index(2, 0).data().toString(), u"Ch 03 Outlet"_s);
}

void tst_frmLiveView::exportWritesValidFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("magic");
    QTest::newRow("png") << u"trend.png"_s << QByteArray("\x89PNG\r\n\x1a\n");
    QTest::newRow("pdf") << u"trend.pdf"_s << QByteArray("%PDF-");
    QTest::newRow("svg") << u"trend.svg"_s << QByteArray("<?xml");
    QTest::newRow("unknown suffix") << u"trend.bmpx"_s << QByteArray();
}

void tst_frmLiveView::exportWritesValidFiles()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, magic);
    QTemporaryDir dir;
    LiveData data;
    MemorySettings settings;
    NoDialogs dialogs;
    frmLiveView window(data, settings, dialogs);
    ResultTable table;
    feedScan(data, table, 20);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    dialogs.savePath = dir.filePath(name);
    auto *exportButton = window.findChild<QWidget *>(u"cmdExport"_s);
    QVERIFY(exportButton);
    QTest::mouseClick(exportButton, Qt::LeftButton);
    QFile file(dialogs.savePath);
    if (magic.isEmpty()) {
        QVERIFY(!file.exists());
        QCOMPARE(dialogs.messages.size(), 1);
        return;
    }
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.read(magic.size()), magic);
    if (name.endsWith(u".png"_s))
        QCOMPARE(QImage(dialogs.savePath).size(), window.trendPlot()->size());
    if (name.endsWith(u".svg"_s))
        QVERIFY(file.readAll().contains("<svg"));
    QVERIFY(dialogs.messages.isEmpty());
}

void tst_frmLiveView::opensBesideTheMainWindow_data()
{
    QTest::addColumn<QRect>("mainFrame");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("room on the right") << QRect(100, 100, 640, 480) << QRect(748, 100, 900, 560);
    QTest::newRow("room on the left") << QRect(1200, 50, 640, 480) << QRect(292, 50, 900, 560);
    QTest::newRow("narrowed to fit") << QRect(640, 700, 640, 480) << QRect(1288, 520, 632, 560);
    QTest::newRow("no room beside") << QRect(400, 0, 1200, 480) << QRect(1020, 0, 900, 560);
}

void tst_frmLiveView::opensBesideTheMainWindow()
{
    QFETCH(QRect, mainFrame);
    QFETCH(QRect, expected);
    const QRect place
        = frmLiveView::besideFrame(mainFrame, QSize(900, 560), QRect(0, 0, 1920, 1080));
    QCOMPARE(place, expected);
    QCOMPARE(place.intersects(mainFrame), mainFrame.width() == 1200);
}

void tst_frmLiveView::hundredChannelLabelsDoNotOverlap()
{
    LiveData data;
    data.reset(0, 99);
    for (int channel = 0; channel <= 99; ++channel) {
        Reading reading;
        reading.pass = 1;
        reading.channel = channel;
        reading.value = u"12.3456"_s;
        reading.unit = u"kgf/cm2"_s;
        data.addReading(reading);
    }
    MemorySettings settings;
    NoDialogs dialogs;
    frmLiveView window(data, settings, dialogs);
    window.resize(900, 560);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.replotNow();
    OverviewPlot *plot = window.overviewPlot();
    // Upright labels: the ones shown must be at least a line's height apart.
    double previous = -1e9;
    const double lineHeight = QFontMetricsF(plot->font()).height() * 0.8;
    int shown = 0;
    for (int i = 0; i < plot->itemCount(); ++i) {
        auto *label = qobject_cast<QCPItemText *>(plot->item(i));
        if (!label || !label->visible())
            continue;
        const double x = label->position->pixelPosition().x();
        QVERIFY2(x - previous >= lineHeight, qPrintable(QString::number(x - previous)));
        previous = x;
        ++shown;
    }
    QVERIFY(shown >= 10);
}

void tst_frmLiveView::trendWithoutChannelsShowsAHint()
{
    LiveData data;
    data.reset(1, 4);
    MemorySettings settings;
    NoDialogs dialogs;
    frmLiveView window(data, settings, dialogs);
    window.setTrendChannels({});
    TrendPlot *plot = window.trendPlot();
    auto *hint = plot->findChild<QCPItemText *>(u"txtTrendHint"_s);
    QVERIFY(hint && hint->visible());
    QVERIFY(!plot->xAxis->tickLabels());
    QVERIFY(!plot->legend->visible());
    ResultTable table;
    feedScan(data, table, 3);
    window.setTrendChannels({ 1 });
    QVERIFY(!hint->visible());
    QVERIFY(plot->xAxis->tickLabels());
}

void tst_frmLiveView::remembersGeometryAndOpenState()
{
    LiveData data;
    data.reset(1, 8);
    MemorySettings settings;
    NoDialogs dialogs;
    QRect geometry;
    {
        frmLiveView window(data, settings, dialogs);
        QVERIFY(!frmLiveView::wasOpen(settings));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(frmLiveView::wasOpen(settings));
        window.setGeometry(40, 50, 700, 420);
        window.setTab(frmLiveView::HealthTab);
        window.setTrendChannels({ 3, 5 });
        geometry = window.geometry();
        // The program ends with the window open.
        window.saveState();
    }
    QVERIFY(frmLiveView::wasOpen(settings));
    frmLiveView window(data, settings, dialogs);
    QCOMPARE(window.geometry().size(), geometry.size());
    QCOMPARE(window.trendChannels(), (QList<int> { 3, 5 }));
    QCOMPARE(window.findChild<QTabWidget *>(u"tabLiveView"_s)->currentIndex(),
             int(frmLiveView::HealthTab));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.close();
    QVERIFY(!frmLiveView::wasOpen(settings));
}

void tst_frmLiveView::alarmLimitsPasteAndApply()
{
    AlarmLimits start;
    start.setBand(1, { 0.0, 5.0 });
    start.setBand(20, { 1.0, 2.0 }); // outside the range shown: kept
    frmAlarmLimits dialog(start, 1, 4);
    auto *grid = dialog.findChild<QTableWidget *>(u"grdLimits"_s);
    QVERIFY(grid);
    QCOMPARE(grid->item(0, 1)->text(), u"5"_s);

    // Spreadsheet rows with CR LF, pasted from channel 2's low cell.
    grid->setCurrentCell(1, 0);
    dialog.paste(u"1.5\t3\r\n\t4.25\r\n-1\t\r\n"_s);
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    AlarmLimits limits = dialog.limits();
    QCOMPARE(limits.band(2), (AlarmLimits::Band { 1.5, 3.0 }));
    QCOMPARE(limits.band(3), (AlarmLimits::Band { std::nullopt, 4.25 }));
    QCOMPARE(limits.band(4), (AlarmLimits::Band { -1.0, std::nullopt }));
    QCOMPARE(limits.band(20), (AlarmLimits::Band { 1.0, 2.0 }));

    frmAlarmLimits again(limits, 1, 4);
    auto *grid2 = again.findChild<QTableWidget *>(u"grdLimits"_s);
    grid2->setCurrentCell(1, 1);
    again.applyToAll();
    QCOMPARE(grid2->item(3, 0)->text(), u"1.5"_s);
    // A low limit above the high one is refused.
    grid2->item(0, 0)->setText(u"9"_s);
    again.accept();
    QCOMPARE(again.result(), int(QDialog::Rejected));
    QVERIFY(!again.findChild<QLabel *>(u"lblError"_s)->text().isEmpty());
    grid2->item(0, 0)->setText(u"abc"_s);
    again.accept();
    QVERIFY(again.findChild<QLabel *>(u"lblError"_s)->text().contains(u"abc"_s));
}

void tst_frmLiveView::channelsPasteAndRefuse()
{
    ChannelNames start;
    start.set(50, u"Spare"_s, {});
    frmChannels dialog(start);
    auto *grid = dialog.findChild<QTableWidget *>(u"grdChannels"_s);
    QVERIFY(grid);
    QCOMPARE(grid->rowCount(), 100);
    QCOMPARE(grid->item(50, 0)->text(), u"Spare"_s);

    // Name and note columns, pasted from channel 2's name cell.
    grid->setCurrentCell(2, 0);
    dialog.paste(u"Inlet\tbehind valve\r\nOutlet\r\n"_s);
    // Rows that start with their channel go to that channel, wherever the cell is.
    grid->setCurrentCell(40, 1);
    dialog.paste(u"Ch 07\tCooler\tin\n9\tDrain\n"_s);
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    const ChannelNames names = dialog.names();
    QCOMPARE(names.entry(2), (ChannelNames::Entry { u"Inlet"_s, u"behind valve"_s }));
    QCOMPARE(names.entry(3), (ChannelNames::Entry { u"Outlet"_s, {} }));
    QCOMPARE(names.entry(7), (ChannelNames::Entry { u"Cooler"_s, u"in"_s }));
    QCOMPARE(names.name(9), u"Drain"_s);
    QCOMPARE(names.name(50), u"Spare"_s);
    QCOMPARE(names.entries().size(), 5);

    // A name longer than the record keeps is refused, not cut unseen.
    frmChannels again(names);
    auto *grid2 = again.findChild<QTableWidget *>(u"grdChannels"_s);
    grid2->item(5, 0)->setText(QString(ChannelNames::kMaxNameLength + 1, u'x'));
    again.accept();
    QCOMPARE(again.result(), int(QDialog::Rejected));
    QVERIFY(again.findChild<QLabel *>(u"lblError"_s)->text().contains(u"Ch 05"_s));
    QCOMPARE(grid2->currentRow(), 5);
}

QTEST_MAIN(tst_frmLiveView)
#include "tst_frmliveview.moc"
