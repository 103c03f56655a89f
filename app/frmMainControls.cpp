// Building the main window's widgets, menus, toolbar and status bar, as the
// window is defined; the behaviour is in frmMain.cpp.
#include "frmMain.h"

#include "ChannelComboBox.h"
#include "FrameGeometry.h"
#include "ResultGridView.h"
#include "ResultTable.h"
#include "StatusLine.h"
#include "TextContrast.h"
#include "Twips.h"

#include <QAction>
#include <QDate>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

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

// The toolbar's pictures in their order; the first four have keys.
QList<QIcon> loadToolbarIcons()
{
    QList<QIcon> icons;
    for (const char *name : { "new", "open", "save", "print", "start", "stop", "manual" })
        icons << QIcon(u":/icons/"_s + QLatin1StringView(name) + u".png"_s);
    return icons;
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

void frmMain::createMenus()
{
    auto action = [this](QMenu *menu, const QString &name, const QString &caption) {
        QAction *item = menu->addAction(caption);
        item->setObjectName(name);
        return item;
    };
    auto separator = [](QMenu *menu, const QString &name) {
        menu->addSeparator()->setObjectName(name);
    };

    mnuFile = menuBar()->addMenu(tr("&File"));
    mnuFile->setObjectName(u"mnuFile"_s);
    mnuFileNew = action(mnuFile, u"mnuFileNew"_s, tr("&New File"));
    mnuFileNew->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    mnuFileOpen = action(mnuFile, u"mnuFileOpen"_s, tr("&Open..."));
    mnuFileOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuFileRecent = mnuFile->addMenu(tr("Open &Recent"));
    mnuFileRecent->setObjectName(u"mnuFileRecent"_s);
    mnuFileSave = action(mnuFile, u"mnuFileSave"_s, tr("&Save..."));
    mnuFileSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    mnuFileHistory = action(mnuFile, u"mnuFileHistory"_s, tr("Scan &History..."));
    mnuFileExportCsv = action(mnuFile, u"mnuFileExportCsv"_s, tr("Export &CSV..."));
    separator(mnuFile, u"mnuFileBar0"_s);
    mnuFilePrint = action(mnuFile, u"mnuFilePrint"_s, tr("&Print..."));
    mnuFilePrint->setEnabled(false);
    separator(mnuFile, u"mnuFileBar1"_s);
    mnuFileExit = action(mnuFile, u"mnuFileExit"_s, tr("E&xit"));
    mnuFileExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    mnuSet = menuBar()->addMenu(tr("&Set"));
    mnuSet->setObjectName(u"mnuSet"_s);
    mnuComm = mnuSet->addMenu(tr("Serial &Port"));
    mnuComm->setObjectName(u"mnuComm"_s);
    mnuCom1 = action(mnuComm, u"mnuCom1"_s, u"com1"_s);
    mnuCom2 = action(mnuComm, u"mnuCom2"_s, u"com2"_s);
    mnuCom1->setCheckable(true);
    mnuCom2->setCheckable(true);
    separator(mnuComm, u"mnuCommBar0"_s);
    mnuPortDevices = action(mnuComm, u"mnuPortDevices"_s, tr("Serial &Devices..."));
    mnuStopOnLineLoss
        = action(mnuComm, u"mnuStopOnLineLoss"_s, tr("&Stop the scan when the line is lost"));
    mnuStopOnLineLoss->setCheckable(true);

    mnuChannel = mnuSet->addMenu(tr("&Channel Count"));
    mnuChannel->setObjectName(u"mnuChannel"_s);
    for (int i = 0; i < 10; ++i) {
        QAction *item = action(mnuChannel, u"mnuChNum"_s, QString::number((i + 1) * 10));
        item->setCheckable(true);
        item->setProperty("index", i);
        mnuChNum << item;
    }

    mnuAlarmLimits = action(mnuSet, u"mnuAlarmLimits"_s, tr("&Alarm Limits..."));
    mnuChannels = action(mnuSet, u"mnuChannels"_s, tr("C&hannels..."));

    mnuView = menuBar()->addMenu(tr("&View"));
    mnuView->setObjectName(u"mnuView"_s);
    mnuViewLive = action(mnuView, u"mnuViewLive"_s, tr("&Live View"));
    mnuViewLive->setShortcut(QKeySequence(Qt::Key_F6));

    // The scan commands of the toolbar, with keys, so that a scan can be run
    // without the mouse.
    mnuScan = menuBar()->addMenu(tr("S&can"));
    mnuScan->setObjectName(u"mnuScan"_s);
    mnuScanStart = action(mnuScan, u"mnuScanStart"_s, tr("&Start"));
    mnuScanStart->setShortcut(QKeySequence(Qt::Key_F5));
    mnuScanStop = action(mnuScan, u"mnuScanStop"_s, tr("S&top"));
    mnuScanStop->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F5));
    mnuScanManual = action(mnuScan, u"mnuScanManual"_s, tr("&Manual..."));
    mnuScan->addSeparator();
    mnuScanZero = action(mnuScan, u"mnuScanZero"_s, tr("&Zero"));
    mnuScanClearZero = action(mnuScan, u"mnuScanClearZero"_s, tr("C&lear Zero"));
    mnuZeroPasses = mnuScan->addMenu(tr("Zero &Passes"));
    mnuZeroPasses->setObjectName(u"mnuZeroPasses"_s);
    mnuScanSettle = action(mnuScan, u"mnuScanSettle"_s, tr("Settle &Check..."));

    mnuHelp = menuBar()->addMenu(tr("&Help"));
    mnuHelp->setObjectName(u"mnuHelp"_s);
    mnuHelpAbout = action(mnuHelp, u"mnuHelpAbout"_s, tr("&About"));
    mnuHelpAbout->setShortcut(QKeySequence(Qt::Key_F1));
    mnuHelpAboutQt = action(mnuHelp, u"mnuHelpAboutQt"_s, tr("About &Qt"));
    mnuHelpShowLog = action(mnuHelp, u"mnuHelpShowLog"_s, tr("Show &Log"));
}

void frmMain::createToolBar()
{
    tbToolBar = addToolBar(tr("Toolbar"));
    tbToolBar->setObjectName(u"tbToolBar"_s);
    tbToolBar->setMovable(false);
    tbToolBar->setFloatable(false);
    tbToolBar->setIconSize(QSize(16, 16));
    tbToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    tbToolBar->toggleViewAction()->setEnabled(false);
    setContextMenuPolicy(Qt::NoContextMenu);

    imlToolbarIcons = loadToolbarIcons();
    // The buttons in their order, with their picture's 1-based index in the
    // image list and the menu command whose key they name; an empty text is a
    // separator.
    const struct
    {
        const char *text; // untranslated, as it also names the button
        int picture;
        QAction *twin;
    } buttons[] = {
        { QT_TR_NOOP("New File"), 1, mnuFileNew },
        { QT_TR_NOOP("Open"), 2, mnuFileOpen },
        { QT_TR_NOOP("Save"), 3, mnuFileSave },
        { {}, 0, nullptr },
        { QT_TR_NOOP("Print"), 4, mnuFilePrint },
        { {}, 0, nullptr },
        { QT_TR_NOOP("Start"), 5, mnuScanStart },
        { QT_TR_NOOP("Stop"), 6, mnuScanStop },
        { {}, 0, nullptr },
        { QT_TR_NOOP("Manual"), 7, mnuScanManual },
    };
    for (const auto &button : buttons) {
        QAction *item = !button.text
            ? tbToolBar->addSeparator()
            : tbToolBar->addAction(imlToolbarIcons.at(button.picture - 1), tr(button.text));
        item->setObjectName(!button.text ? u"tbSeparator"_s
                                         : u"tb"_s + QString::fromLatin1(button.text).remove(u' '));
        const QKeySequence key = button.twin ? button.twin->shortcut() : QKeySequence();
        item->setToolTip(key.isEmpty() ? tr(button.text)
                                       : u"%1 (%2)"_s.arg(tr(button.text),
                                                          key.toString(QKeySequence::NativeText)));
        m_buttons << item;
        if (QWidget *widget = tbToolBar->widgetForAction(item); widget && button.text)
            widget->setFixedSize(23, 22);
    }
    toolbarButton(ToolbarButton::Print)->setEnabled(false);
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
