#include "MainWindowFixture.h"
#include "StatusLine.h"
#include "frmAbout.h"

#include <QApplication>
#include <QLabel>
#include <QStatusBar>
#include <QTest>

using namespace Qt::StringLiterals;

// The main window at the usual desktop font sizes: at GNOME's 11 pt and at
// 12 pt no control covers another and no label is cut, while the default font
// keeps the window as defined. Run again with QT_SCALE_FACTOR=2 for 200%.
class tst_FontSizes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void nothingOverlapsOrIsCut_data();
    void nothingOverlapsOrIsCut();
};

namespace {

QString describe(const QWidget *widget)
{
    const QRect r = widget->geometry();
    return u"%1 (%2,%3 %4x%5)"_s.arg(widget->objectName())
        .arg(r.x())
        .arg(r.y())
        .arg(r.width())
        .arg(r.height());
}

// What is wrong inside container: siblings that overlap, a child reaching out
// of it, a label whose text is wider or taller than the label.
QStringList faultsIn(const QWidget *container)
{
    QStringList faults;
    QList<const QWidget *> children;
    for (const QObject *child : container->children()) {
        const auto *widget = qobject_cast<const QWidget *>(child);
        if (widget && widget->isVisible() && !widget->isWindow())
            children << widget;
    }
    for (qsizetype i = 0; i < children.size(); ++i) {
        // A label counts with its text's ink, as its box may run a pixel past
        // the frame with nothing drawn there.
        QRect used = children[i]->geometry();
        if (const auto *label = qobject_cast<const QLabel *>(children[i]); label
            && !label->text().isEmpty() && !label->text().contains(u'\n')
            && !qobject_cast<const StatusLine *>(label)
            && label->alignment() == (Qt::AlignLeft | Qt::AlignVCenter))
            used = label->fontMetrics()
                       .tightBoundingRect(label->text())
                       .translated(label->pos() + label->contentsRect().topLeft()
                                   + QPoint(0, label->fontMetrics().ascent()));
        if (!container->rect().contains(used))
            faults << describe(children[i]) + u" leaves "_s + describe(container);
        for (qsizetype j = i + 1; j < children.size(); ++j) {
            if (children[i]->geometry().intersects(children[j]->geometry()))
                faults << describe(children[i]) + u" overlaps "_s + describe(children[j]);
        }
        if (const auto *label = qobject_cast<const QLabel *>(children[i]);
            label && !label->text().isEmpty() && label->pixmap().isNull()) {
            const QSize text = label->fontMetrics().size(0, label->text());
            // A status message too long for the bar ends in an ellipsis, with
            // the whole text as its tool tip.
            const bool elidedWithTip
                = qobject_cast<const StatusLine *>(label) && label->toolTip() == label->text();
            if ((text.width() > label->contentsRect().width() && !elidedWithTip)
                || text.height() > label->contentsRect().height())
                faults << describe(label) + u" cuts \""_s + label->text() + u'"';
        }
    }
    return faults;
}

} // namespace

void tst_FontSizes::nothingOverlapsOrIsCut_data()
{
    QTest::addColumn<double>("points"); // 0: the default font
    QTest::newRow("default font") << 0.0;
    QTest::newRow("11 pt") << 11.0;
    QTest::newRow("12 pt") << 12.0;
}

void tst_FontSizes::nothingOverlapsOrIsCut()
{
    QFETCH(double, points);
    const QFont original = QApplication::font();
    QFont font = original;
    if (points > 0)
        font.setPointSizeF(points);
    QApplication::setFont(font);
    MainWindowFixture f;
    frmMain &window = f.start();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.setStoreProblem(u"The [Record] Store setting \"postgre://lab-server/scans\" is not "
                           "used (unknown scheme); readings are kept in "
                           "/home/someone/.local/state/rozivoda/scans.sqlite"_s);

    QStringList faults;
    for (const QString &name :
         { u"frmMainClient"_s, u"fraSet"_s, u"fraPres"_s, u"fraCh"_s, u"sbStatusBar"_s })
        faults << faultsIn(f.find<QWidget>(name));
    frmAbout about({ true, u"/home/someone/.local/state/ROZIVODA/scans.sqlite"_s,
                     u"/home/someone/.local/state/ROZIVODA/rozivoda.log"_s });
    about.show();
    faults << faultsIn(&about);
    QApplication::setFont(original);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
}

QTEST_MAIN(tst_FontSizes)
#include "tst_fontsizes.moc"
