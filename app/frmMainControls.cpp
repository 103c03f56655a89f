// Building the main window's widgets, menus, toolbar and status bar, as the
// window is defined; the behaviour is in frmMain.cpp.
#include "frmMain.h"

#include "ChannelComboBox.h"
#include "FrameGeometry.h"
#include "ResultGridView.h"
#include "ResultTable.h"
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
    fgdData->setFont(namedFont(9, false));
    fgdData->verticalHeader()->setDefaultSectionSize(QFontMetrics(fgdData->font()).height() + 6);
    place(fgdData, 90, 180, 8985, 3465);

    fraSet = new QGroupBox(m_client);
    fraSet->setObjectName(u"fraSet"_s);
    place(fraSet, 60, 0, 9165, 1095);

    fraPres = new QGroupBox(u"Pressure"_s, fraSet);
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

    fraCh = new QGroupBox(u"Channel"_s, fraSet);
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
    makeLabel(u"Label4"_s, u"sec"_s, 3690, 300);
    makeLabel(u"Label3"_s, u"Scan Term:"_s, 2100, 300);
    makeLabel(u"Label2"_s, u"End CH:"_s, 150, 690);
    makeLabel(u"Label1"_s, u"Start CH:"_s, 150, 300);

    // Keyboard focus follows the settings, then the table.
    for (QWidget *readout : { static_cast<QWidget *>(fraPres), static_cast<QWidget *>(fraCh),
                              static_cast<QWidget *>(lblPres), static_cast<QWidget *>(lblUnit),
                              static_cast<QWidget *>(lblCH) })
        keepColoursWhenDisabled(readout);

    setTabOrder(cboStart, cboEnd);
    setTabOrder(cboEnd, txtTerm);
    setTabOrder(txtTerm, fgdData);
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

    mnuFile = menuBar()->addMenu(u"&File"_s);
    mnuFile->setObjectName(u"mnuFile"_s);
    mnuFileNew = action(mnuFile, u"mnuFileNew"_s, u"&New File"_s);
    mnuFileNew->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    mnuFileOpen = action(mnuFile, u"mnuFileOpen"_s, u"&Open..."_s);
    mnuFileOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuFileRecent = mnuFile->addMenu(u"Open &Recent"_s);
    mnuFileRecent->setObjectName(u"mnuFileRecent"_s);
    mnuFileSave = action(mnuFile, u"mnuFileSave"_s, u"&Save..."_s);
    mnuFileSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    mnuFileHistory = action(mnuFile, u"mnuFileHistory"_s, u"Scan &History..."_s);
    mnuFileExportCsv = action(mnuFile, u"mnuFileExportCsv"_s, u"Export &CSV..."_s);
    separator(mnuFile, u"mnuFileBar0"_s);
    mnuFilePrint = action(mnuFile, u"mnuFilePrint"_s, u"&Print..."_s);
    mnuFilePrint->setEnabled(false);
    separator(mnuFile, u"mnuFileBar1"_s);
    mnuFileExit = action(mnuFile, u"mnuFileExit"_s, u"E&xit"_s);
    mnuFileExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    mnuSet = menuBar()->addMenu(u"&Set"_s);
    mnuSet->setObjectName(u"mnuSet"_s);
    mnuComm = mnuSet->addMenu(u"Serial &Port"_s);
    mnuComm->setObjectName(u"mnuComm"_s);
    mnuCom1 = action(mnuComm, u"mnuCom1"_s, u"com1"_s);
    mnuCom2 = action(mnuComm, u"mnuCom2"_s, u"com2"_s);
    mnuCom1->setCheckable(true);
    mnuCom2->setCheckable(true);
    separator(mnuComm, u"mnuCommBar0"_s);
    mnuPortDevices = action(mnuComm, u"mnuPortDevices"_s, u"Serial &Devices..."_s);
    mnuStopOnLineLoss
        = action(mnuComm, u"mnuStopOnLineLoss"_s, u"&Stop the scan when the line is lost"_s);
    mnuStopOnLineLoss->setCheckable(true);

    mnuChannel = mnuSet->addMenu(u"&Channel Count"_s);
    mnuChannel->setObjectName(u"mnuChannel"_s);
    for (int i = 0; i < 10; ++i) {
        QAction *item = action(mnuChannel, u"mnuChNum"_s, QString::number((i + 1) * 10));
        item->setCheckable(true);
        item->setProperty("index", i);
        mnuChNum << item;
    }

    mnuAlarmLimits = action(mnuSet, u"mnuAlarmLimits"_s, u"&Alarm Limits..."_s);

    mnuView = menuBar()->addMenu(u"&View"_s);
    mnuView->setObjectName(u"mnuView"_s);
    mnuViewLive = action(mnuView, u"mnuViewLive"_s, u"&Live View"_s);
    mnuViewLive->setShortcut(QKeySequence(Qt::Key_F6));

    // The scan commands of the toolbar, with keys, so that a scan can be run
    // without the mouse.
    mnuScan = menuBar()->addMenu(u"S&can"_s);
    mnuScan->setObjectName(u"mnuScan"_s);
    mnuScanStart = action(mnuScan, u"mnuScanStart"_s, u"&Start"_s);
    mnuScanStart->setShortcut(QKeySequence(Qt::Key_F5));
    mnuScanStop = action(mnuScan, u"mnuScanStop"_s, u"S&top"_s);
    mnuScanStop->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F5));
    mnuScanManual = action(mnuScan, u"mnuScanManual"_s, u"&Manual..."_s);

    mnuHelp = menuBar()->addMenu(u"&Help"_s);
    mnuHelp->setObjectName(u"mnuHelp"_s);
    mnuHelpAbout = action(mnuHelp, u"mnuHelpAbout"_s, u"&About"_s);
    mnuHelpAbout->setShortcut(QKeySequence(Qt::Key_F1));
    mnuHelpAboutQt = action(mnuHelp, u"mnuHelpAboutQt"_s, u"About &Qt"_s);
    mnuHelpShowLog = action(mnuHelp, u"mnuHelpShowLog"_s, u"Show &Log"_s);
}

void frmMain::createToolBar()
{
    tbToolBar = addToolBar(u"Toolbar"_s);
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
        QString text;
        int picture;
        QAction *twin;
    } buttons[] = {
        { u"New File"_s, 1, mnuFileNew },
        { u"Open"_s, 2, mnuFileOpen },
        { u"Save"_s, 3, mnuFileSave },
        { {}, 0, nullptr },
        { u"Print"_s, 4, mnuFilePrint },
        { {}, 0, nullptr },
        { u"Start"_s, 5, mnuScanStart },
        { u"Stop"_s, 6, mnuScanStop },
        { {}, 0, nullptr },
        { u"Manual"_s, 7, mnuScanManual },
    };
    for (const auto &button : buttons) {
        QAction *item = button.text.isEmpty()
            ? tbToolBar->addSeparator()
            : tbToolBar->addAction(imlToolbarIcons.at(button.picture - 1), button.text);
        item->setObjectName(button.text.isEmpty()
                                ? u"tbSeparator"_s
                                : u"tb"_s + button.text.simplified().remove(u' '));
        const QKeySequence key = button.twin ? button.twin->shortcut() : QKeySequence();
        item->setToolTip(
            key.isEmpty() ? button.text
                          : u"%1 (%2)"_s.arg(button.text, key.toString(QKeySequence::NativeText)));
        m_buttons << item;
        if (QWidget *widget = tbToolBar->widgetForAction(item); widget && !button.text.isEmpty())
            widget->setFixedSize(23, 22);
    }
    toolbarButton(ToolbarButton::Print)->setEnabled(false);
}

void frmMain::createStatusBar()
{
    auto *bar = statusBar();
    bar->setObjectName(u"sbStatusBar"_s);
    bar->setSizeGripEnabled(true);
    m_statusText = new QLabel(bar);
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
