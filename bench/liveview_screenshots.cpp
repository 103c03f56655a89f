// Draws the live view over a made-up scan and saves a picture of each tab, then
// of the overview at 100 channels and of the trend without a channel, for the
// documentation: liveview_screenshots OUTPUT_PREFIX [named] (QT_SCALE_FACTOR
// sets the scaling; "named" names some channels as Set > Channels does).
#include "Dialogs.h"
#include "GridLayout.h"
#include "LiveData.h"
#include "MemorySettings.h"
#include "ResultTable.h"
#include "SettingsStore.h"
#include "frmLiveView.h"

#include <QApplication>
#include <QHash>
#include <QTabWidget>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

class NoDialogs : public Dialogs
{
public:
    QMessageBox::StandardButton message(QMessageBox::Icon, const QString &, const QString &,
                                        QMessageBox::StandardButtons,
                                        QMessageBox::StandardButton) override
    {
        return QMessageBox::Ok;
    }
    QString openFileName(const QString &, const QString &) override { return {}; }
    QString saveFileName(const QString &, const QString &) override { return {}; }
};

// What the scan does with a reading: its cell and its pass's time in the
// table (which the trend reads), then the reading to the live data.
void feed(ResultTable &table, LiveData &data, const Reading &reading)
{
    while (table.rows() <= reading.pass)
        table.setText(table.appendRow(), 0, QString::number(table.rows() - 1));
    if (reading.taken()) {
        table.setText(reading.pass, reading.channel - data.firstChannel() + 1, reading.value);
        table.setText(reading.pass, table.cols() - 1, reading.unit);
    }
    if (!table.rowTime(reading.pass).isValid())
        table.setRowTime(reading.pass, reading.time);
    data.addReading(reading);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString prefix = argc > 1 ? QString::fromLocal8Bit(argv[1]) : u"liveview"_s;
    LiveData data;
    MemorySettings settings;
    NoDialogs dialogs;
    frmLiveView window(data, settings, dialogs);
    AlarmLimits limits;
    for (int channel = 1; channel <= 20; ++channel)
        limits.setBand(channel, { 0.5, 6.0 });
    data.setAlarmLimits(limits);
    ResultTable table;
    table.setLayout(gridLayoutFor(1, 20));
    if (argc > 2 && QByteArray(argv[2]) == "named") {
        ChannelNames names;
        names.set(3, u"Inlet static"_s, u"behind the screen"_s);
        names.set(7, u"Exit rake 2"_s, {});
        names.set(12, u"Settling chamber"_s, {});
        table.setChannelNames(names);
    }
    data.attachTable(&table);
    data.reset(1, 20);
    const QDateTime start(QDate(2026, 12, 7), QTime(9, 0), Qt::UTC);
    const int passes = 120;
    for (int pass = 1; pass <= passes; ++pass) {
        for (int channel = 1; channel <= 20; ++channel) {
            Reading reading;
            reading.pass = pass;
            reading.channel = channel;
            reading.time = start.addMSecs(qint64((pass - 1) * 20 + channel) * 250);
            if (channel == 7 && pass > 100) {
                reading.status = Reading::Status::NoReply;
                reading.givenUp = pass % 3 == 0;
            } else {
                const double value = 1.0 + channel * 0.22 + 0.3 * std::sin(pass / 9.0 + channel)
                    + (channel == 12 ? pass * 0.02 : 0.0);
                reading.value = QString::number(value, 'f', 3);
                reading.unit = channel == 15 && pass == passes ? u"kPa"_s : u"kgf/cm2"_s;
                if (reading.unit == u"kPa"_s)
                    reading.value = QString::number(value * 98.0665, 'f', 1);
            }
            data.setCurrentChannel(channel == 20 ? 1 : channel + 1);
            feed(table, data, reading);
        }
    }
    data.setCurrentChannel(5);
    window.setTrendChannels({ 3, 7, 12 });
    window.resize(960, 600);
    window.show();
    const QStringList names { u"overview"_s, u"trend"_s, u"health"_s };
    for (int tab = 0; tab < 3; ++tab) {
        window.setTab(frmLiveView::Tab(tab));
        QApplication::processEvents();
        window.replotNow();
        QApplication::processEvents();
        const QString path
            = tab == 0 ? prefix + u".png"_s : prefix + u'-' + names.at(tab) + u".png"_s;
        if (!window.grab().save(path))
            return 1;
    }

    // A hundred channels: the overview's labels thinned so that they never run
    // together; the trend without a channel shows a hint.
    ResultTable wide;
    wide.setLayout(gridLayoutFor(0, 99));
    data.attachTable(&wide);
    data.setAlarmLimits({});
    data.reset(0, 99);
    for (int channel = 0; channel <= 99; ++channel) {
        Reading reading;
        reading.pass = 1;
        reading.channel = channel;
        reading.time = start.addMSecs(channel * 250);
        reading.value = QString::number(2.0 + std::sin(channel / 8.0), 'f', 4);
        reading.unit = u"kgf/cm2"_s;
        feed(wide, data, reading);
    }
    window.setTrendChannels({});
    const QStringList wideNames { u"-100ch.png"_s, u"-trend-empty.png"_s };
    for (int tab = 0; tab < 2; ++tab) {
        window.setTab(frmLiveView::Tab(tab));
        QApplication::processEvents();
        window.replotNow();
        QApplication::processEvents();
        if (!window.grab().save(prefix + wideNames.at(tab)))
            return 1;
    }
    return 0;
}
