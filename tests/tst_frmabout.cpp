#include "Version.h"
#include "frmAbout.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

// The About window: its fixed texts and size, and the three ways to close it.
class tst_frmAbout : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void texts();
    void fixedSizeHoldsItsTexts();
    void closes_data();
    void closes();
};

void tst_frmAbout::texts()
{
    frmAbout about({ false, u"/data/scans.sqlite"_s, u"/state/rozivoda.log"_s });
    QCOMPARE(about.windowTitle(), u"About VESTRA-IP"_s);
    // Only a demo calls itself one.
    QCOMPARE(about.findChild<QLabel *>(u"lblTitle"_s)->text(), u"VESTRA-IP"_s);
    QCOMPARE(frmAbout({ true, {}, {} }).findChild<QLabel *>(u"lblTitle"_s)->text(),
             u"VESTRA-IP Demo"_s);
    const QString details = about.findChild<QLabel *>(u"lblDetails"_s)->text();
    for (const QString &text : { QStringLiteral(ROZIVODA_VERSION), u"GPL-3.0-or-later"_s,
                                 u"/data/scans.sqlite"_s, u"/state/rozivoda.log"_s })
        QVERIFY2(details.contains(text), qPrintable(details));
    QCOMPARE(about.findChild<QLabel *>(u"lblVersion"_s)->text(),
             u"Version "_s + QStringLiteral(ROZIVODA_VERSION));
    QCOMPARE(about.findChild<QPushButton *>(u"cmdOK"_s)->text(), u"OK"_s);
    // No room for more lines: the licence and Qt version go with the version line.
    const QLabel *version = about.findChild<QLabel *>(u"lblVersion"_s);
    for (const QString &text :
         { u"GPL-3.0-or-later"_s, u"Qt "_s + QString::fromLatin1(qVersion()) }) {
        QVERIFY2(version->toolTip().contains(text), qPrintable(version->toolTip()));
        QVERIFY(version->accessibleDescription().contains(text));
    }
    QVERIFY(!about.findChild<QLabel *>(u"Image1"_s)->pixmap().isNull());
}

void tst_frmAbout::fixedSizeHoldsItsTexts()
{
    frmAbout about({ true, u"/home/someone/.local/state/rozivoda/scans.sqlite"_s,
                     u"/home/someone/.local/state/rozivoda/rozivoda.log"_s });
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    // At least 2550 x 1245 twips at 15 twips per pixel, grown for the details
    // below, and the user cannot resize it.
    QVERIFY(about.width() >= 170 && about.height() > 83);
    QCOMPARE(about.minimumSize(), about.size());
    QCOMPARE(about.maximumSize(), about.size());
    // Nothing is cut off by the window's edge.
    for (const QString &name :
         { u"lblTitle"_s, u"lblVersion"_s, u"cmdOK"_s, u"Image1"_s, u"lblDetails"_s }) {
        const QWidget *control = about.findChild<QWidget *>(name);
        QVERIFY2(about.rect().contains(control->geometry()), qPrintable(name));
    }
    for (const QString &name : { u"lblTitle"_s, u"lblVersion"_s, u"lblDetails"_s }) {
        const QLabel *label = about.findChild<QLabel *>(name);
        QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(name));
    }
}

void tst_frmAbout::closes_data()
{
    QTest::addColumn<int>("key"); // 0: a click on OK
    QTest::newRow("OK") << 0;
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
    QTest::newRow("Esc") << int(Qt::Key_Escape);
}

void tst_frmAbout::closes()
{
    QFETCH(int, key);

    frmAbout about;
    bool sent = false;
    QTimer::singleShot(0, this, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal != &about)
            return;
        sent = true;
        if (key == 0)
            QTest::mouseClick(about.findChild<QPushButton *>(u"cmdOK"_s), Qt::LeftButton);
        else
            QTest::keyClick(modal, Qt::Key(key));
    });
    // A window that does not close would otherwise hang the test.
    bool timedOut = false;
    QTimer safety;
    safety.setSingleShot(true);
    connect(&safety, &QTimer::timeout, &about, [&] {
        timedOut = true;
        about.done(-1);
    });
    safety.start(5000);

    const int result = about.exec();
    QVERIFY(sent);
    QVERIFY(!timedOut);
    QVERIFY(result != -1);
    QVERIFY(!about.isVisible());
}

QTEST_MAIN(tst_frmAbout)
#include "tst_frmabout.moc"
