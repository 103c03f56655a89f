#include "MainWindowLayout.h"

#include <QTest>

// The resize rule on its own, in twips.
class tst_MainWindowLayout : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void minimumSize_data();
    void minimumSize();
    void layoutFollowsTheWindow();
    void roundingCarriesThrough();
};

static double same(double twips)
{
    return twips;
}

void tst_MainWindowLayout::minimumSize_data()
{
    QTest::addColumn<bool>("minimized");
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("height");
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("newWidth");
    QTest::addColumn<double>("newHeight");
    const int nothing = int(ResizeStep::Kind::Nothing);
    const int resize = int(ResizeStep::Kind::Resize);
    const int layout = int(ResizeStep::Kind::Layout);
    QTest::newRow("minimized, however small") << true << 100.0 << 100.0 << nothing << 0.0 << 0.0;
    QTest::newRow("too narrow") << false << 9000.0 << 8000.0 << resize << 9420.0 << 8000.0;
    QTest::newRow("too low") << false << 9500.0 << 6000.0 << resize << 9500.0 << 6240.0;
    // Width first; the height is corrected in the pass that the resize causes.
    QTest::newRow("both") << false << 5000.0 << 3000.0 << resize << 9420.0 << 3000.0;
    QTest::newRow("exactly the minimum") << false << 9420.0 << 6240.0 << layout << 0.0 << 0.0;
}

void tst_MainWindowLayout::minimumSize()
{
    QFETCH(bool, minimized);
    QFETCH(double, width);
    QFETCH(double, height);
    QFETCH(int, kind);
    QFETCH(double, newWidth);
    QFETCH(double, newHeight);
    const ResizeStep step = mainWindowResizeStep({ minimized, width, height, width - 120 }, same);
    QCOMPARE(int(step.kind), kind);
    if (step.kind == ResizeStep::Kind::Resize) {
        QCOMPARE(step.outerWidth, newWidth);
        QCOMPARE(step.outerHeight, newHeight);
    }
}

void tst_MainWindowLayout::layoutFollowsTheWindow()
{
    const ResizeStep base = mainWindowResizeStep({ false, 9420, 6240, 9300 }, same);
    const MainLayout &l = base.layout;
    QCOMPARE(l.fraSetWidth, 9140.0);
    QCOMPARE(l.fraSetLeft, 80.0);
    QCOMPARE(l.fraDataLeft, 80.0);
    QCOMPARE(l.fgdDataWidth, 8960.0);
    QCOMPARE(l.fgdDataLeft, 90.0);
    QCOMPARE(l.fraDataHeight, 3740.0);
    QCOMPARE(l.fgdDataHeight, 3460.0);
    QCOMPARE(l.fraChLeft, 7760.0);
    QCOMPARE(l.fraPresLeft, 4490.0);

    const double d = 1500;
    const MainLayout wide
        = mainWindowResizeStep({ false, 9420 + d, 6240 + d, 9300 + d }, same).layout;
    QCOMPARE(wide.fraSetWidth - l.fraSetWidth, d);
    QCOMPARE(wide.fgdDataWidth - l.fgdDataWidth, d);
    QCOMPARE(wide.fraChLeft - l.fraChLeft, d);
    QCOMPARE(wide.fraPresLeft - l.fraPresLeft, d);
    QCOMPARE(wide.fraDataHeight - l.fraDataHeight, d);
    QCOMPARE(wide.fgdDataHeight - l.fgdDataHeight, d);
}

void tst_MainWindowLayout::roundingCarriesThrough()
{
    // Each value computed from a control uses what the control holds after its
    // own rounding to whole pixels.
    const MainLayout l = mainWindowResizeStep({ false, 9427, 6247, 9307 }, snapToPixel).layout;
    QCOMPARE(l.fraSetWidth, 9150.0); // 9147 snapped
    QCOMPARE(l.fraDataWidth, 9150.0);
    QCOMPARE(l.fgdDataWidth, 8970.0);
    QCOMPARE(l.fraChLeft, 7770.0);
    QCOMPARE(l.fraDataHeight, 3750.0); // 3747 snapped
    QCOMPARE(l.fgdDataHeight, 3465.0); // 3470 snapped
}

QTEST_GUILESS_MAIN(tst_MainWindowLayout)
#include "tst_mainwindowlayout.moc"
