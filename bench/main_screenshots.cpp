// Draws the main window over a made-up scan with four-decimal readings and
// saves a picture of it, for the documentation:
//   main_screenshots OUTPUT.png [POINTS] [ko|alarms|about|channels]
// POINTS sets the desktop font's size (0 keeps the default), "ko" shows the
// Korean translation, "alarms" colours the readings outside alarm limits (one
// cell selected, to tell the two apart), "about" draws About instead,
// "channels" Set > Channels with some channels named;
// QT_SCALE_FACTOR sets the scaling.
#include "AlarmFlags.h"
#include "AlarmLimits.h"
#include "MainWindowFixture.h"
#include "ResultTable.h"
#include "Translations.h"
#include "frmAbout.h"
#include "frmChannels.h"

#include <QApplication>
#include <QFont>
#include <QLocale>
#include <QTableView>

#include <cmath>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"ROZIVODA"_s);
    const QString output = argc > 1 ? QString::fromLocal8Bit(argv[1]) : u"main.png"_s;
    const double points = argc > 2 ? std::atof(argv[2]) : 0.0;
    if (argc > 3 && QByteArray(argv[3]) == "ko") {
        QLocale::setDefault(QLocale(QLocale::Korean, QLocale::SouthKorea));
        installTranslations(app, QLocale());
    }
    QFont::insertSubstitutions(u"굴림"_s, { u"Gulim"_s, u"NanumGothic"_s, u"Noto Sans CJK KR"_s });
    if (points > 0) {
        QFont font = QApplication::font();
        font.setPointSizeF(points);
        QApplication::setFont(font);
    }
    if (argc > 3 && QByteArray(argv[3]) == "about") {
        frmAbout about({ false, u"/home/op/.local/state/ROZIVODA/scans.sqlite"_s,
                         u"/home/op/.local/state/ROZIVODA/rozivoda.log"_s });
        about.show();
        QApplication::processEvents();
        return about.grab().save(output) ? 0 : 1;
    }
    if (argc > 3 && QByteArray(argv[3]) == "channels") {
        ChannelNames names;
        names.set(0, u"Reference"_s, u"atmosphere, open port"_s);
        names.set(1, u"Inlet static"_s, u"behind the screen"_s);
        names.set(2, u"Inlet total"_s, {});
        names.set(3, u"Exit rake 1"_s, u"probe 1 of 5"_s);
        names.set(4, u"Exit rake 2"_s, u"probe 2 of 5"_s);
        frmChannels dialog(names);
        dialog.show();
        QApplication::processEvents();
        return dialog.grab().save(output) ? 0 : 1;
    }
    MainWindowFixture f;
    frmMain &window = f.start();
    ResultTable &table = window.resultTable();
    for (int pass = 1; pass <= 12; ++pass) {
        const int row = table.appendRow();
        table.setText(row, 0, QString::number(pass));
        for (int column = 1; column < table.cols() - 1; ++column) {
            const double value = 10.0 + column * 0.37 + 1.1 * std::sin(pass / 3.0 + column);
            table.setText(row, column, QString::number(value, 'f', 4));
        }
        table.setText(row, table.cols() - 1, u"kgf/cm2"_s);
    }
    if (argc > 3 && QByteArray(argv[3]) == "alarms") {
        AlarmLimits limits;
        for (int channel = 0; channel < 20; ++channel)
            limits.setBand(channel, { 9.6 + channel * 0.37, 11.0 + channel * 0.37 });
        AlarmFlags::apply(table, limits);
        auto *grid = window.findChild<QTableView *>(u"fgdData"_s);
        grid->setFocus();
        grid->setCurrentIndex(table.index(2, 3));
    }
    QApplication::processEvents();
    const bool saved = window.grab().save(output);
    return saved ? 0 : 1;
}
