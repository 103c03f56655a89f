#include "frmAbout.h"

#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {
int px(double twips)
{
    return qRound(twips / 15.0);
}
} // namespace

frmAbout::frmAbout(QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                  | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint)
{
    setObjectName(u"frmAbout"_s);
    setWindowTitle(u"About VESTRA-IP"_s);
    setWindowIcon(QIcon());
    setFixedSize(px(2550), px(1245));

    auto *cmdOK = new QPushButton(u"OK"_s, this);
    cmdOK->setObjectName(u"cmdOK"_s);
    cmdOK->setGeometry(px(690), px(810), px(1185), px(345));
    // Enter clicks the default button; Esc rejects the dialog, which closes it
    // just as OK does.
    cmdOK->setDefault(true);
    cmdOK->setAutoDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    auto *Image1 = new QLabel(this);
    Image1->setObjectName(u"Image1"_s);
    Image1->setGeometry(px(150), px(90), px(480), px(480));
    Image1->setPixmap(QIcon(u":/icons/rozivoda.png"_s).pixmap(32, 32));

    auto *lblTitle = new QLabel(u"VESTRA-IP Demo"_s, this);
    lblTitle->setObjectName(u"lblTitle"_s);
    lblTitle->move(px(720), px(150));
    QPalette black = lblTitle->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    lblTitle->setPalette(black);
    lblTitle->adjustSize();

    auto *lblVersion = new QLabel(u"Version 1.0.0"_s, this);
    lblVersion->setObjectName(u"lblVersion"_s);
    lblVersion->move(px(720), px(390));
    lblVersion->adjustSize();

    setTabOrder(cmdOK, lblVersion);
    cmdOK->setFocus();

    if (parent) {
        // Centred over the main window.
        const QRect owner = parent->frameGeometry();
        move(owner.center() - rect().center());
    }
}

void frmAbout::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    // An etched rule under the texts: white, 2 pixels, under a grey 1-pixel line.
    QPainter painter(this);
    const int y = px(690);
    painter.setPen(QPen(QColor(255, 255, 255), 2));
    painter.drawLine(px(120), y + 1, px(2430), y + 1);
    painter.setPen(QPen(QColor(128, 128, 128), 1));
    painter.drawLine(px(120), y, px(2430), y);
}
