#include "MainWindowFixture.h"
#include "ResultTable.h"
#include "TextContrast.h"
#include "frmAbout.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QStyle>
#include <QTest>

using namespace Qt::StringLiterals;

// The fixed text colours under a light and a dark desktop theme: as defined
// where they read, the palette's own where they would vanish. Run with
// ROZIVODA_SCREENSHOTS=DIR to keep a picture of the main window under the
// dark theme there.
class tst_DarkPalette : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void textsRead_data();
    void textsRead();
    void cleanup() { QApplication::setPalette(QApplication::style()->standardPalette()); }
};

namespace {

QPalette darkPalette()
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(53, 53, 53));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(35, 35, 35));
    dark.setColor(QPalette::AlternateBase, QColor(53, 53, 53));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::Button, QColor(53, 53, 53));
    dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    dark.setColor(QPalette::ToolTipBase, QColor(35, 35, 35));
    dark.setColor(QPalette::ToolTipText, QColor(230, 230, 230));
    dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
    dark.setColor(QPalette::HighlightedText, QColor(0, 0, 0));
    dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(127, 127, 127));
    dark.setColor(QPalette::Disabled, QPalette::Text, QColor(127, 127, 127));
    dark.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(127, 127, 127));
    return dark;
}

double textContrast(const QWidget *widget)
{
    return TextContrast::ratio(widget->palette().color(QPalette::WindowText),
                               widget->palette().color(QPalette::Window));
}

} // namespace

void tst_DarkPalette::textsRead_data()
{
    QTest::addColumn<bool>("dark");
    QTest::newRow("light theme: colours as defined") << false;
    QTest::newRow("dark theme") << true;
}

void tst_DarkPalette::textsRead()
{
    QFETCH(bool, dark);
    QApplication::setPalette(dark ? darkPalette() : QApplication::style()->standardPalette());

    frmAbout about;
    const QLabel *title = about.findChild<QLabel *>(u"lblTitle"_s);
    QVERIFY2(textContrast(title) >= TextContrast::kReadable,
             qPrintable(title->palette().color(QPalette::WindowText).name()));
    if (!dark)
        QCOMPARE(title->palette().color(QPalette::WindowText), QColor(Qt::black));

    MainWindowFixture f;
    f.start();
    const QLabel *channel = f.find<QLabel>(u"lblCH"_s);
    QVERIFY(textContrast(channel) >= TextContrast::kReadable);
    if (!dark)
        QCOMPARE(channel->palette().color(QPalette::WindowText), QColor(0, 128, 0));

    // A given-up cell and a flagged one keep dark text on their light fills.
    ResultTable &table = f.window->resultTable();
    table.setRows(2);
    table.setText(1, 0, u"1"_s);
    table.setText(1, 1, u"2.5"_s);
    table.markCell(1, 1, u"no reply"_s);
    table.flagCell(1, 2, qRgb(196, 220, 255), u"below the low limit"_s);
    for (int column : { 1, 2 }) {
        const QModelIndex cell = table.index(0, column);
        const QColor fill = cell.data(Qt::BackgroundRole).value<QBrush>().color();
        // As the view draws it: the cell's own colour, else the palette's.
        const QVariant own = cell.data(Qt::ForegroundRole);
        const QColor text = own.isValid() ? own.value<QBrush>().color()
                                          : QApplication::palette().color(QPalette::Text);
        QVERIFY2(TextContrast::ratio(text, fill) >= 4.5, qPrintable(text.name()));
    }

    const QString shots = qEnvironmentVariable("ROZIVODA_SCREENSHOTS");
    if (dark && !shots.isEmpty()) {
        table.setRows(9);
        for (int row = 1; row < table.rows(); ++row) {
            table.setText(row, 0, QString::number(row));
            for (int column = 1; column < table.cols() - 1; ++column)
                table.setText(row, column,
                              QString::number(1.0 + column * 0.21 + row * 0.013, 'f', 3));
            table.setText(row, table.cols() - 1, u"kgf/cm2"_s);
        }
        table.markCell(4, 6, u"no reply"_s);
        table.flagCell(6, 9, qRgb(255, 228, 150), u"unit changed"_s);
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        QVERIFY(f.window->grab().save(QDir(shots).filePath(u"main-dark.png"_s)));
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QVERIFY(about.grab().save(QDir(shots).filePath(u"about-dark.png"_s)));
    }
}

QTEST_MAIN(tst_DarkPalette)
#include "tst_darkpalette.moc"
