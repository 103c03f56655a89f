#include "frmAbout.h"

#include "TextContrast.h"
#include "Twips.h"
#include "Version.h"

#include <QCoreApplication>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include <algorithm>

using namespace Qt::StringLiterals;

frmAbout::frmAbout(const AboutFacts &facts, QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                  | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint)
{
    setObjectName(u"frmAbout"_s);
    setWindowTitle(tr("About VESTRA-IP"));
    setWindowIcon(QIcon());

    auto *cmdOK = new QPushButton(tr("OK"), this);
    cmdOK->setObjectName(u"cmdOK"_s);
    cmdOK->setGeometry(twipsToPixels(690), twipsToPixels(810), twipsToPixels(1185),
                       twipsToPixels(345));
    // Enter clicks the default button; Esc rejects the dialog, which closes it
    // just as OK does.
    cmdOK->setDefault(true);
    cmdOK->setAutoDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    auto *Image1 = new QLabel(this);
    Image1->setObjectName(u"Image1"_s);
    Image1->setGeometry(twipsToPixels(150), twipsToPixels(90), twipsToPixels(480),
                        twipsToPixels(480));
    Image1->setPixmap(QIcon(u":/icons/rozivoda.png"_s).pixmap(32, 32));

    auto *lblTitle = new QLabel(facts.demo ? tr("VESTRA-IP Demo") : tr("VESTRA-IP"), this);
    lblTitle->setObjectName(u"lblTitle"_s);
    lblTitle->move(twipsToPixels(720), twipsToPixels(150));
    // Black as defined, unless the theme's window is too dark for it.
    QPalette title = lblTitle->palette();
    title.setColor(QPalette::WindowText,
                   TextContrast::readable(Qt::black, title.color(QPalette::Window),
                                          title.color(QPalette::WindowText)));
    lblTitle->setPalette(title);
    lblTitle->adjustSize();

    auto *lblVersion = new QLabel(tr("Version ") + QStringLiteral(ROZIVODA_VERSION), this);
    lblVersion->setObjectName(u"lblVersion"_s);
    // Below the title as defined, or lower where a larger font needs it.
    lblVersion->move(twipsToPixels(720),
                     std::max(twipsToPixels(390), lblTitle->geometry().bottom() + 1));
    lblVersion->adjustSize();
    // The window has no room for more lines: the licence and the Qt version go
    // with the version line, for the mouse and for screen readers.
    lblVersion->setToolTip(licenceAndQtText());
    lblVersion->setAccessibleDescription(licenceAndQtText());

    QStringList lines { tr("%1 %2").arg(QCoreApplication::applicationName(),
                                        QStringLiteral(ROZIVODA_VERSION)),
                        tr("Licence: GPL-3.0-or-later") };
    if (!facts.record.isEmpty())
        lines << tr("Record: %1").arg(facts.record);
    if (!facts.log.isEmpty())
        lines << tr("Log: %1").arg(facts.log);
    if (facts.demo)
        lines << tr("Demo: the readings come from the simulated scanner.");
    auto *lblDetails = new QLabel(lines.join(u'\n'), this);
    lblDetails->setObjectName(u"lblDetails"_s);
    lblDetails->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblDetails->move(twipsToPixels(150), twipsToPixels(1245));
    lblDetails->adjustSize();
    // The defined size, widened and heightened only as far as the details need.
    const int margin = twipsToPixels(150);
    setFixedSize(std::max(twipsToPixels(2550), lblDetails->geometry().right() + 1 + margin),
                 lblDetails->geometry().bottom() + 1 + margin);

    setTabOrder(cmdOK, lblVersion);
    cmdOK->setFocus();

    if (parent) {
        // Centred over the main window.
        const QRect owner = parent->frameGeometry();
        move(owner.center() - rect().center());
    }
}

void frmAbout::setRigId(const QString &rig)
{
    auto *lblVersion = findChild<QLabel *>(u"lblVersion"_s);
    if (!lblVersion || rig.isEmpty())
        return;
    const QString text = licenceAndQtText() + u'\n' + tr("Rig: %1").arg(rig);
    lblVersion->setToolTip(text);
    lblVersion->setAccessibleDescription(text);
}

QString frmAbout::licenceAndQtText()
{
    return tr("Licence: GPL-3.0-or-later\nQt %1 (built with %2)")
        .arg(QString::fromLatin1(qVersion()), QStringLiteral(QT_VERSION_STR));
}

void frmAbout::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    // An etched rule under the texts: white, 2 pixels, under a grey 1-pixel line.
    QPainter painter(this);
    const int y = twipsToPixels(690);
    painter.setPen(QPen(QColor(255, 255, 255), 2));
    painter.drawLine(twipsToPixels(120), y + 1, twipsToPixels(2430), y + 1);
    painter.setPen(QPen(QColor(128, 128, 128), 1));
    painter.drawLine(twipsToPixels(120), y, twipsToPixels(2430), y);
}
