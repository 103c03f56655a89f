// Building the main window's widgets and status bar, as the
// window is defined; the behaviour is in frmMain.cpp.
#include "frmMain.h"

#include "ChannelComboBox.h"
#include "FrameGeometry.h"
#include "ResultGridView.h"
#include "ResultTable.h"
#include "StatusLine.h"
#include "TextContrast.h"
#include "Twips.h"

#include <QDate>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace FrameGeometry;

namespace {

// The readouts sit in the settings frame, which is disabled during a scan:
// exactly when they are read. They keep their colours.
void keepColoursWhenDisabled(QWidget *widget)
{
    QPalette palette = widget->palette();
    for (auto role : { QPalette::WindowText, QPalette::Text, QPalette::Window })
        palette.setColor(QPalette::Disabled, role, palette.color(QPalette::Active, role));
    widget->setPalette(palette);
}

} // namespace

void frmMain::createControls()
{
    m_client = new QWidget(this);
    m_client->setObjectName(u"frmMainClient"_s);
    setCentralWidget(m_client);
    m_client->installEventFilter(this);
    auto place = [](QWidget *widget, double left, double top, double width, double height) {
        widget->setGeometry(twipsRect(left, top, width, height));
    };

    fraData = new QGroupBox(m_client);
    fraData->setObjectName(u"fraData"_s);
    place(fraData, 60, 1500 - kControlsTop, 9165, 3735);

    fgdData = new ResultGridView(m_session.table(), fraData);
    fgdData->setObjectName(u"fgdData"_s);
    fgdData->setFont(gridFont(9));
    fgdData->verticalHeader()->setDefaultSectionSize(QFontMetrics(fgdData->font()).height() + 6);
    place(fgdData, 90, 180, 8985, 3465);

    fraSet = new QGroupBox(m_client);
    fraSet->setObjectName(u"fraSet"_s);
    place(fraSet, 60, 0, 9165, 1095);

    fraPres = new QGroupBox(tr("Pressure"), fraSet);
    fraPres->setObjectName(u"fraPres"_s);
    place(fraPres, 4500, 150, 3195, 885);

    lblUnit = new QLabel(u"kgf/cm2"_s, fraPres);
    lblUnit->setObjectName(u"lblUnit"_s);
    lblUnit->setFont(namedFont(11.25, true));
    place(lblUnit, 2190, 390, 900, 225);
    lblUnit->adjustSize();

    lblPres = new QLabel(fraPres);
    lblPres->setObjectName(u"lblPres"_s);
    lblPres->setFont(namedFont(18, false));
    lblPres->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblPres->setFrameShape(QFrame::Box);
    lblPres->setAutoFillBackground(true);
    QPalette white = lblPres->palette();
    white.setColor(QPalette::Window, QColor(255, 255, 255));
    white.setColor(QPalette::WindowText, QColor(0, 0, 0));
    lblPres->setPalette(white);
    place(lblPres, 120, 300, 2025, 405);

    fraCh = new QGroupBox(tr("Channel"), fraSet);
    fraCh->setObjectName(u"fraCh"_s);
    place(fraCh, 7770, 150, kChannelFrameWidth, 885);

    lblCH = new QLabel(u"00"_s, fraCh);
    lblCH->setObjectName(u"lblCH"_s);
    lblCH->setFont(namedFont(30, true));
    QPalette green = lblCH->palette();
    green.setColor(QPalette::WindowText,
                   TextContrast::readable(QColor(0, 128, 0), green.color(QPalette::Window),
                                          green.color(QPalette::WindowText)));
    lblCH->setPalette(green);
    place(lblCH, 270, 210, 735, 600);
    lblCH->adjustSize();

    txtTerm = new QLineEdit(u"1"_s, fraSet);
    txtTerm->setObjectName(u"txtTerm"_s);
    txtTerm->setAlignment(Qt::AlignRight);
    place(txtTerm, 3150, 240, 525, 270);

    auto makeChannelList = [&](const QString &name, const QString &text, double top) {
        auto *box = new ChannelComboBox(fraSet);
        box->setObjectName(name);
        box->setEditText(text);
        place(box, 1020, top, 645, 300);
        return box;
    };
    cboEnd = makeChannelList(u"cboEnd"_s, u"19"_s, 630);
    cboStart = makeChannelList(u"cboStart"_s, u"0"_s, 240);

    auto makeLabel = [&](const QString &name, const QString &text, double left, double top) {
        auto *label = new QLabel(text, fraSet);
        label->setObjectName(name);
        label->move(twipsToPixels(left), twipsToPixels(top));
        label->adjustSize();
        return label;
    };
    makeLabel(u"Label4"_s, tr("sec"), 3690, 300);
    makeLabel(u"Label3"_s, tr("Scan Term:"), 2100, 300);
    makeLabel(u"Label2"_s, tr("End CH:"), 150, 690);
    makeLabel(u"Label1"_s, tr("Start CH:"), 150, 300);

    // Keyboard focus follows the settings, then the table.
    for (QWidget *readout : { static_cast<QWidget *>(fraPres), static_cast<QWidget *>(fraCh),
                              static_cast<QWidget *>(lblPres), static_cast<QWidget *>(lblUnit),
                              static_cast<QWidget *>(lblCH) })
        keepColoursWhenDisabled(readout);

    setTabOrder(cboStart, cboEnd);
    setTabOrder(cboEnd, txtTerm);
    setTabOrder(txtTerm, fgdData);
    fitSettingsToFont();
}

void frmMain::fitSettingsToFont()
{
    auto *label1 = fraSet->findChild<QLabel *>(u"Label1"_s);
    auto *label2 = fraSet->findChild<QLabel *>(u"Label2"_s);
    auto *label3 = fraSet->findChild<QLabel *>(u"Label3"_s);
    auto *label4 = fraSet->findChild<QLabel *>(u"Label4"_s);
    if (!label1 || !label2 || !label3 || !label4)
        return;
    for (QLabel *label : { label1, label2, label3, label4 })
        label->adjustSize();
    // Left to right, each control at its defined place or just right of the
    // one before it, whichever is further right; at the default font every
    // control stays where the window defines it.
    auto placeAfter = [](QWidget *control, double definedLeft, int previousRight) {
        control->move(std::max(twipsToPixels(definedLeft), previousRight + 1), control->y());
    };
    const int labelsRight = std::max(label1->geometry().right(), label2->geometry().right());
    placeAfter(cboStart, 1020, labelsRight);
    placeAfter(cboEnd, 1020, labelsRight);
    placeAfter(label3, 2100, cboStart->geometry().right());
    placeAfter(txtTerm, 3150, label3->geometry().right());
    placeAfter(label4, 3690, txtTerm->geometry().right());

    // The unit's bold text can run into the pressure frame's edge where the
    // Korean font is wider than the one the window was drawn for: it moves
    // left into the gap beside the reading, as far as that goes.
    lblUnit->adjustSize();
    const int overrun = lblUnit->geometry().right() - (fraPres->width() - 3);
    if (overrun > 0)
        lblUnit->move(std::max(lblPres->geometry().right() + 1, lblUnit->x() - overrun),
                      lblUnit->y());
}

void frmMain::createStatusBar()
{
    auto *bar = statusBar();
    bar->setObjectName(u"sbStatusBar"_s);
    bar->setSizeGripEnabled(true);
    m_statusText = new StatusLine(bar);
    m_statusText->setObjectName(u"sbStatusBarText"_s);
    m_statusText->setMinimumWidth(twipsToPixels(1440));
    m_statusDate = new QLabel(bar);
    m_statusDate->setObjectName(u"sbStatusBarDate"_s);
    m_statusDate->setMinimumWidth(twipsToPixels(1440));
    m_statusDate->setAlignment(Qt::AlignCenter);
    // While a scan runs: how long it has run and how many passes it took.
    m_statusScan = new QLabel(bar);
    m_statusScan->setObjectName(u"sbStatusBarScan"_s);
    bar->addWidget(m_statusText, 1);
    bar->addPermanentWidget(m_statusScan);
    bar->addPermanentWidget(m_statusDate);

    auto showDate = [this] {
        m_statusDate->setText(QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
    };
    showDate();
    // A scan can run for days: keep the date current.
    auto *dateTimer = new QTimer(this);
    connect(dateTimer, &QTimer::timeout, this, showDate);
    dateTimer->start(std::chrono::minutes(1));
}
