#include "frmMain.h"

#include "Dialogs.h"
#include "EventPump.h"
#include "FileCommands.h"
#include "GridLayout.h"
#include "MainWindowLayout.h"
#include "NumberText.h"
#include "PortDevicesDialog.h"
#include "PortMap.h"
#include "ResultTable.h"
#include "ScannerLink.h"
#include "SerialPort.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "Timer.h"
#include "Twips.h"
#include "frmAbout.h"
#include "frmManual.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QProgressDialog>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QTableView>
#include <QTimer>
#include <QToolBar>

#include <climits>

using namespace Qt::StringLiterals;

namespace {

// The client area of the window as defined, and where the controls below the
// toolbar start: the window's controls are placed relative to that line.
constexpr double kClientWidth = 9300;
constexpr double kClientHeight = 5550;
constexpr double kControlsTop = 390;
constexpr double kStatusBarHeight = 270;
// What a window frame, caption and menu add to the client area, so that the
// resize rule sees outer sizes whatever the window manager draws.
constexpr double kFrameWidth = 120;
constexpr double kFrameHeight = 690;
constexpr double kChannelFrameWidth = 1245;
constexpr double kShortestTerm = 0.2;
// Serial port numbers run from 1 to 255.
constexpr int kHighestPort = 255;

const QString kTitle = u"VESTRA-IP"_s;
const QString kKoreanFont = u"굴림"_s;

// The readouts sit in the settings frame, which is disabled during a scan:
// exactly when they are read. They keep their colours.
void keepColoursWhenDisabled(QWidget *widget)
{
    QPalette palette = widget->palette();
    for (auto role : { QPalette::WindowText, QPalette::Text, QPalette::Window })
        palette.setColor(QPalette::Disabled, role, palette.color(QPalette::Active, role));
    widget->setPalette(palette);
}

QFont namedFont(double points, bool bold)
{
    QFont font(kKoreanFont);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
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

frmMain::frmMain(const Services &services, QWidget *parent)
    : QMainWindow(parent)
    , m_settings(services.settings)
    , m_ports(services.ports)
    , comScan(services.comScan)
    , m_timers(services.timers)
    , m_dialogs(services.dialogs)
    , m_events(services.events)
{
    setObjectName(u"frmMain"_s);
    setWindowTitle(kTitle);
    setWindowIcon(QIcon(u":/icons/rozivoda.png"_s));

    m_table = new ResultTable(this);
    m_link = std::make_unique<ScannerLink>(comScan, m_timers);
    m_cycle = std::make_unique<ScanCycle>(*m_link, m_timers, *m_table);

    createControls();
    createMenus();
    createToolBar();
    createStatusBar();
    m_files = std::make_unique<FileCommands>(*m_table, m_dialogs, m_events, *this);
    connectCommands();

    // The size and place as defined: the client area centred on the screen.
    // The menu bar, toolbar and status bar take what they need around it.
    const int chrome = menuBar()->sizeHint().height() + tbToolBar->sizeHint().height()
        + statusBar()->sizeHint().height();
    resize(twipsToPixels(kClientWidth),
           chrome + twipsToPixels(kClientHeight - kControlsTop - kStatusBarHeight));
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

frmMain::~frmMain()
{
    m_cycle.reset();
    m_link.reset();
}

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

    fgdData = new QTableView(fraData);
    fgdData->setObjectName(u"fgdData"_s);
    fgdData->setModel(m_table);
    fgdData->setFont(namedFont(9, false));
    // The ID column stays in view as the vertical header; the label row is the
    // horizontal header.
    fgdData->setColumnHidden(0, true);
    fgdData->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    fgdData->verticalHeader()->setDefaultSectionSize(QFontMetrics(fgdData->font()).height() + 6);
    fgdData->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    fgdData->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    fgdData->setGridStyle(Qt::SolidLine);
    fgdData->setEditTriggers(QAbstractItemView::NoEditTriggers);
    fgdData->setWordWrap(false);
    // The corner above the IDs carries the ID column's label.
    if (auto *corner = fgdData->findChild<QAbstractButton *>()) {
        corner->installEventFilter(this);
        connect(m_table, &QAbstractItemModel::headerDataChanged, corner,
                qOverload<>(&QWidget::update));
    }
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
    green.setColor(QPalette::WindowText, QColor(0, 128, 0));
    lblCH->setPalette(green);
    place(lblCH, 270, 210, 735, 600);
    lblCH->adjustSize();

    txtTerm = new QLineEdit(u"1"_s, fraSet);
    txtTerm->setObjectName(u"txtTerm"_s);
    txtTerm->setAlignment(Qt::AlignRight);
    place(txtTerm, 3150, 240, 525, 270);

    auto makeChannelList = [&](const QString &name, const QString &text, double top) {
        auto *box = new QComboBox(fraSet);
        box->setObjectName(name);
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setEditText(text);
        place(box, 1020, top, 645, 300);
        box->installEventFilter(this);
        box->lineEdit()->installEventFilter(this);
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
    mnuFileSave = action(mnuFile, u"mnuFileSave"_s, u"&Save..."_s);
    separator(mnuFile, u"mnuFileBar0"_s);
    mnuFilePrint = action(mnuFile, u"mnuFilePrint"_s, u"&Print..."_s);
    mnuFilePrint->setEnabled(false);
    separator(mnuFile, u"mnuFileBar1"_s);
    mnuFileExit = action(mnuFile, u"mnuFileExit"_s, u"E&xit"_s);

    mnuSet = menuBar()->addMenu(u"&Set"_s);
    mnuSet->setObjectName(u"mnuSet"_s);
    mnuComm = mnuSet->addMenu(u"Serial &Port"_s);
    mnuComm->setObjectName(u"mnuComm"_s);
    mnuCom1 = action(mnuComm, u"mnuCom1"_s, u"com1"_s);
    mnuCom2 = action(mnuComm, u"mnuCom2"_s, u"com2"_s);
    mnuCom1->setCheckable(true);
    mnuCom2->setCheckable(true);
    separator(mnuComm, u"mnuCommBar0"_s);
    action(mnuComm, u"mnuPortDevices"_s, u"Serial &Devices..."_s);

    mnuChannel = mnuSet->addMenu(u"&Channel Count"_s);
    mnuChannel->setObjectName(u"mnuChannel"_s);
    for (int i = 0; i < 10; ++i) {
        QAction *item = action(mnuChannel, u"mnuChNum"_s, QString::number((i + 1) * 10));
        item->setCheckable(true);
        item->setProperty("index", i);
        mnuChNum << item;
    }

    mnuHelp = menuBar()->addMenu(u"&Help"_s);
    mnuHelp->setObjectName(u"mnuHelp"_s);
    mnuHelpAbout = action(mnuHelp, u"mnuHelpAbout"_s, u"&About"_s);
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
    // image list; an empty text is a separator.
    const struct
    {
        QString text;
        int picture;
    } buttons[] = {
        { u"New File"_s, 1 },
        { u"Open"_s, 2 },
        { u"Save"_s, 3 },
        { {}, 0 },
        { u"Print"_s, 4 },
        { {}, 0 },
        { u"Start"_s, 5 },
        { u"Stop"_s, 6 },
        { {}, 0 },
        { u"Manual"_s, 7 },
    };
    for (const auto &button : buttons) {
        QAction *item = button.text.isEmpty()
            ? tbToolBar->addSeparator()
            : tbToolBar->addAction(imlToolbarIcons.at(button.picture - 1), button.text);
        item->setObjectName(button.text.isEmpty()
                                ? u"tbSeparator"_s
                                : u"tb"_s + button.text.simplified().remove(u' '));
        item->setToolTip(button.text);
        m_buttons << item;
        if (QWidget *widget = tbToolBar->widgetForAction(item); widget && !button.text.isEmpty())
            widget->setFixedSize(23, 22);
    }
    toolbarButton(5)->setEnabled(false);
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
    bar->addWidget(m_statusText, 1);
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

void frmMain::connectCommands()
{
    connect(mnuFileNew, &QAction::triggered, this, &frmMain::mnuFileNew_Click);
    connect(mnuFileOpen, &QAction::triggered, this, &frmMain::mnuFileOpen_Click);
    connect(mnuFileSave, &QAction::triggered, this, &frmMain::mnuFileSave_Click);
    connect(mnuFileExit, &QAction::triggered, this, &frmMain::mnuFileExit_Click);
    connect(mnuCom1, &QAction::triggered, this, &frmMain::mnuCom1_Click);
    connect(mnuCom2, &QAction::triggered, this, &frmMain::mnuCom2_Click);
    connect(findChild<QAction *>(u"mnuPortDevices"_s), &QAction::triggered, this,
            &frmMain::mnuPortDevices_Click);
    for (QAction *item : std::as_const(mnuChNum)) {
        const int index = item->property("index").toInt();
        connect(item, &QAction::triggered, this, [this, index] { mnuChNum_Click(index); });
    }
    connect(mnuHelpAbout, &QAction::triggered, this, &frmMain::mnuHelpAbout_Click);
    for (int i = 0; i < m_buttons.size(); ++i) {
        if (!m_buttons.at(i)->isSeparator())
            connect(m_buttons.at(i), &QAction::triggered, this,
                    [this, i] { tbToolBar_ButtonClick(i + 1); });
    }

    connect(m_table, &ResultTable::layoutReset, this, &frmMain::fitColumnWidths);
    connect(m_cycle.get(), &ScanCycle::stateChanged, this, &frmMain::applyCommandStates);
    connect(m_cycle.get(), &ScanCycle::channelSelected, this, &frmMain::showChannel);
    connect(m_cycle.get(), &ScanCycle::valueRead, this, &frmMain::showPressure);
    connect(m_cycle.get(), &ScanCycle::unitRead, this, [this](const QString &unit) {
        lblUnit->setText(unit);
        lblUnit->adjustSize();
    });
    connect(m_cycle.get(), &ScanCycle::rowAdded, this, [this](int row) {
        // The newest pass comes into view as it begins.
        fgdData->scrollTo(m_table->index(row - 1, 1), QAbstractItemView::PositionAtBottom);
    });
    connect(m_cycle.get(), &ScanCycle::healthChanged, this, &frmMain::updateStatusText);
    connect(m_cycle.get(), &ScanCycle::lineLost, this, [this](const QString &reason) {
        m_lineProblem = u"Scan stopped: the line to the scanner on "_s + portDescription()
            + u" failed ("_s + reason + u")"_s;
        updateStatusText();
    });
    connect(m_link.get(), &ScannerLink::replyReceived, this,
            [this](const ParsedReply &reply, const QByteArray &) {
                if (!m_manualAwaiting)
                    return;
                m_manualAwaiting = false;
                if (reply.valueTaken)
                    showPressure(reply.value);
                lblUnit->setText(reply.unit);
                lblUnit->adjustSize();
                m_manualSilent = false;
                updateStatusText();
                if (auto done = std::exchange(m_manualDone, {}))
                    done();
            });
    connect(m_link.get(), &ScannerLink::exchangeFailed, this,
            [this](ScannerLink::Failure failure, const QByteArray &) {
                if (!m_manualAwaiting)
                    return;
                m_manualAwaiting = false;
                m_manualSilent = failure == ScannerLink::Failure::TimedOut;
                if (failure == ScannerLink::Failure::LineFailed)
                    m_lineProblem
                        = u"The line to the scanner on "_s + portDescription() + u" failed"_s;
                updateStatusText();
                if (auto done = std::exchange(m_manualDone, {}))
                    done();
            });
}

void frmMain::Form_Load()
{
    // Stored values that are not numbers, do not fit 16 bits or name no item of
    // the menus fall back to the defaults rather than end the program.
    qint16 chCount = 0;
    double chNum = 0;
    if (!wholeNumberFromText(m_settings.value(SettingsKeys::kSettings, SettingsKeys::kChNum,
                                              QString::number(SettingsKeys::kChNumDefault)),
                             &chNum)
        || !roundToInt16((chNum + 1) * 10, &chCount))
        chCount = (SettingsKeys::kChNumDefault + 1) * 10;
    qint16 index = 0;
    if (!roundToInt16(chCount / 10.0 - 1, &index) || index < 0 || index > 9)
        index = SettingsKeys::kChNumDefault;

    qint16 port = 0;
    double storedPort = 0;
    if (!wholeNumberFromText(m_settings.value(SettingsKeys::kSettings, SettingsKeys::kComPort,
                                              QString::number(SettingsKeys::kComPortDefault)),
                             &storedPort)
        || !roundToInt16(storedPort, &port) || port < 1 || port > kHighestPort)
        port = SettingsKeys::kComPortDefault;
    setPortNumber(port);
    if (m_commPort == 1)
        mnuCom1->setChecked(true);
    else if (m_commPort == 2)
        mnuCom2->setChecked(true);

    mnuChNum_Click(index);

    enterIdleState();
}

void frmMain::enterIdleState()
{
    m_cycle->makeReady();
    applyCommandStates();
    setWindowTitle(kTitle);
    InitGrid();
    m_table->setRows(1);
    lblPres->clear();
}

void frmMain::layOutForFile()
{
    const QString start = cboStart->currentText();
    const QString end = cboEnd->currentText();
    cboStart->setEditText(u"1"_s);
    cboEnd->setEditText(u"100"_s);
    InitGrid();
    cboStart->setEditText(start);
    cboEnd->setEditText(end);
}

void frmMain::holdStart()
{
    // Loaded results are never extended by a scan: only New makes Start available.
    if (m_cycle->state() == ScanCycle::State::Ready)
        m_cycle->StopScan();
}

void frmMain::setBusy(bool busy)
{
    m_busy = busy;
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        // While a file loads the event loop runs: hold every other command off.
        menuBar()->setEnabled(false);
        tbToolBar->setEnabled(false);
        fraSet->setEnabled(false);
        return;
    }
    delete m_loadProgress;
    m_loadProgress = nullptr;
    menuBar()->setEnabled(true);
    tbToolBar->setEnabled(true);
    applyCommandStates();
    QApplication::restoreOverrideCursor();
}

bool frmMain::showLoadProgress(qint64 bytesDone, qint64 bytesTotal)
{
    if (!m_loadProgress) {
        m_loadProgress = new QProgressDialog(u"Loading results..."_s, u"Cancel"_s, 0, 1000, this);
        m_loadProgress->setObjectName(u"dlgLoadProgress"_s);
        m_loadProgress->setWindowTitle(u"Open"_s);
        m_loadProgress->setWindowModality(Qt::WindowModal);
        // Only a load that takes longer than half a second shows its progress.
        m_loadProgress->setMinimumDuration(500);
        m_loadProgress->setValue(0);
    }
    if (bytesTotal > 0)
        m_loadProgress->setValue(int(bytesDone * 1000 / bytesTotal));
    return !m_loadProgress->wasCanceled();
}

void frmMain::mnuChNum_Click(int index)
{
    m_settings.setValue(SettingsKeys::kSettings, SettingsKeys::kChNum, QString::number(index));
    m_chCount = (index + 1) * 10;
    cboStart->clear();
    cboEnd->clear();
    for (int c = 0; c < m_chCount; ++c) {
        cboStart->addItem(QString::number(c));
        cboEnd->addItem(QString::number(c));
    }
    cboStart->setCurrentIndex(0);
    cboEnd->setCurrentIndex(m_chCount - 1);
    for (int i = 0; i < mnuChNum.size(); ++i)
        mnuChNum.at(i)->setChecked(i == index);
}

void frmMain::setPortNumber(int port)
{
    m_commPort = port;
    comScan.setDevice(m_ports.device(port));
}

void frmMain::mnuCom1_Click()
{
    m_settings.setValue(SettingsKeys::kSettings, SettingsKeys::kComPort, u"1"_s);
    setPortNumber(1);
    mnuCom1->setChecked(true);
    mnuCom2->setChecked(false);
    updateStatusText();
}

void frmMain::mnuCom2_Click()
{
    m_settings.setValue(SettingsKeys::kSettings, SettingsKeys::kComPort, u"2"_s);
    setPortNumber(2);
    mnuCom1->setChecked(false);
    mnuCom2->setChecked(true);
    updateStatusText();
}

void frmMain::mnuPortDevices_Click()
{
    PortDevicesDialog dialog(m_ports.device(1), m_ports.device(2), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_ports.setDevice(1, dialog.device(1));
    m_ports.setDevice(2, dialog.device(2));
    setPortNumber(m_commPort);
}

QString frmMain::portDescription() const
{
    return u"com"_s + QString::number(m_commPort) + u" ("_s + comScan.device() + u")"_s;
}

void frmMain::tbToolBar_ButtonClick(int index)
{
    switch (index) {
    case 1:
        mnuFileNew_Click();
        break;
    case 2:
        mnuFileOpen_Click();
        break;
    case 3:
        mnuFileSave_Click();
        break;
    case 7:
        StartScan();
        break;
    case 8:
        StopScan();
        break;
    case 10: {
        frmManual manual(*this, m_settings, m_timers, this);
        QString error;
        if (!manual.Form_Load(&error)) {
            // Without its port the window cannot read anything: it does not open.
            m_dialogs.message(QMessageBox::Critical, u"Serial Port"_s, error, QMessageBox::Ok,
                              QMessageBox::Ok);
            break;
        }
        manual.exec();
        break;
    }
    default:
        // Separators and Print deliver no command.
        break;
    }
}

QAction *frmMain::toolbarButton(int index) const
{
    return index >= 1 && index <= m_buttons.size() ? m_buttons.at(index - 1) : nullptr;
}

void frmMain::InitGrid()
{
    const double start = numberFromText(cboStart->currentText());
    qint16 end = 0;
    if (!roundToInt16(numberFromText(cboEnd->currentText()), &end))
        end = -1;
    // The lists hold channels 0 to 99 only; a range outside them lays out no
    // channel columns rather than thousands.
    const int first = start >= 0 && start <= 100 ? int(start) : 0;
    const int last = start >= 0 && start <= 100 ? std::min<int>(end, 100) : -1;
    m_table->setLayout(gridLayoutFor(first, last));
}

void frmMain::fitColumnWidths()
{
    const QFontMetrics metrics(fgdData->font());
    const int padding = 2 * fgdData->style()->pixelMetric(QStyle::PM_HeaderMargin) + 2;
    fgdData->setColumnHidden(0, true);
    for (int column = 1; column < m_table->cols(); ++column)
        fgdData->setColumnWidth(column,
                                metrics.horizontalAdvance(m_table->widthText(column)) + padding);
    fgdData->verticalHeader()->setFixedWidth(metrics.horizontalAdvance(m_table->widthText(0))
                                             + padding);
}

void frmMain::StartScan()
{
    const double endCh = numberFromText(cboEnd->currentText());
    const double startCh = numberFromText(cboStart->currentText());
    if (endCh < startCh) {
        m_dialogs.message(QMessageBox::Information, u"Channel Error"_s,
                          u"Set Start CH less than End CH..."_s, QMessageBox::Ok, QMessageBox::Ok);
        cboStart->setFocus();
        return;
    }

    bool inRange = true;
    double term = numberFromText(txtTerm->text(), &inRange);
    if (inRange && term < kShortestTerm) {
        txtTerm->setText(u"0.2"_s);
        term = kShortestTerm;
    }
    const double periodMs = std::nearbyint(term * 1000);
    if (!inRange || periodMs > INT_MAX) {
        m_dialogs.message(QMessageBox::Warning, u"Scan Term"_s,
                          u"The scan term is too long: at most %1 seconds."_s.arg(INT_MAX / 1000),
                          QMessageBox::Ok, QMessageBox::Ok);
        txtTerm->setFocus();
        return;
    }

    // Open the port before anything changes, so that a port that cannot be
    // opened leaves the window exactly as it was.
    QString error;
    if (!openScannerPort(&error)) {
        m_dialogs.message(QMessageBox::Critical, u"Serial Port"_s, error, QMessageBox::Ok,
                          QMessageBox::Ok);
        return;
    }

    InitGrid();
    m_lineProblem.clear();
    m_files->raiseUnsaved();
    m_cycle->StartPolling(int(startCh), int(endCh), std::chrono::milliseconds(qint64(periodMs)));
    m_events.processEvents();
}

void frmMain::StopScan()
{
    m_cycle->StopScan();
}

void frmMain::applyCommandStates()
{
    const ScanCycle::State state = m_cycle->state();
    const bool scanning = state == ScanCycle::State::Scanning;
    if (scanning) {
        for (int index = 1; index <= 7; ++index)
            toolbarButton(index)->setEnabled(false);
    } else {
        for (int index : { 1, 2, 3 })
            toolbarButton(index)->setEnabled(true);
    }
    toolbarButton(10)->setEnabled(!scanning);
    toolbarButton(7)->setEnabled(state == ScanCycle::State::Ready);
    toolbarButton(8)->setEnabled(scanning);
    for (QAction *item : { mnuFileNew, mnuFileOpen, mnuFileSave })
        item->setEnabled(!scanning);
    mnuFilePrint->setEnabled(false);
    mnuChannel->menuAction()->setEnabled(!scanning);
    mnuComm->menuAction()->setEnabled(!scanning);
    fraSet->setEnabled(!scanning);
}

void frmMain::showPressure(const QString &value)
{
    // A long value is shown in a smaller type rather than cut off on the left,
    // where its sign is.
    QFont font = namedFont(18, false);
    const int room = lblPres->contentsRect().width() - 4;
    const int needed = QFontMetrics(font).horizontalAdvance(value);
    if (needed > room && room > 0)
        font.setPointSizeF(std::max(6.0, 18.0 * room / needed));
    lblPres->setFont(font);
    lblPres->setText(value);
}

void frmMain::showChannel(int channel)
{
    lblCH->setText(channelText(channel));
    lblCH->adjustSize();
    // Kept centred in its frame, whatever the width of its text.
    lblCH->move(twipsToPixels((kChannelFrameWidth - pixelsToTwips(lblCH->width())) / 2),
                lblCH->y());
}

bool frmMain::openScannerPort(QString *error)
{
    comScan.setDevice(m_ports.device(m_commPort));
    if (comScan.open())
        return true;
    if (error)
        *error = u"Cannot open the scanner's port %1: %2"_s.arg(portDescription(),
                                                                comScan.errorString());
    return false;
}

void frmMain::closeScannerPort()
{
    m_link->abandon();
    m_manualAwaiting = false;
    m_manualDone = {};
    comScan.close();
}

bool frmMain::PortOpen(int channel)
{
    const bool written = m_link->select(channel);
    showChannel(channel);
    return written;
}

bool frmMain::ReadPres(std::function<void()> done)
{
    if (m_manualAwaiting)
        return false;
    const double term = numberFromText(txtTerm->text());
    const auto timeout = ScanCycle::replyTimeoutFor(
        std::chrono::milliseconds(qint64(std::clamp(term * 1000, 0.0, double(INT_MAX)))));
    if (!m_link->query(timeout))
        return false;
    m_manualAwaiting = true;
    m_manualDone = std::move(done);
    return true;
}

QString frmMain::scanTermText() const
{
    return txtTerm->text();
}

bool frmMain::Unsaved() const
{
    return m_files->Unsaved();
}

void frmMain::setSessionNotice(const QString &notice)
{
    m_sessionNotice = notice;
    updateStatusText();
}

void frmMain::updateStatusText()
{
    QStringList parts;
    if (!m_lineProblem.isEmpty())
        parts << m_lineProblem;
    if (m_cycle->scannerSilent() || m_manualSilent)
        parts << u"No reply from scanner on "_s + portDescription();
    const QMap<int, int> &failed = m_cycle->failedReadings();
    for (auto it = failed.constBegin(); it != failed.constEnd(); ++it)
        parts << u"Ch %1: %2 failed readings"_s.arg(channelText(it.key())).arg(it.value());
    if (parts.isEmpty() && !m_sessionNotice.isEmpty())
        parts << m_sessionNotice;
    m_statusText->setText(parts.join(u"; "_s));
}

void frmMain::mnuFileNew_Click()
{
    m_files->New();
}

void frmMain::mnuFileOpen_Click()
{
    m_files->Open();
}

void frmMain::mnuFileSave_Click()
{
    m_files->Save();
}

void frmMain::mnuFileExit_Click()
{
    close();
}

void frmMain::mnuHelpAbout_Click()
{
    frmAbout about(this);
    about.exec();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (m_busy) {
        // A file is being read or written; the window closes after it.
        event->ignore();
        return;
    }
    // Form_Unload: unsaved results are offered for saving first.
    if (m_files->Unsaved()) {
        const auto answer = m_dialogs.message(
            QMessageBox::Question, u"Save"_s, u"Will you save previous results?"_s,
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
        if (answer == QMessageBox::Cancel) {
            event->ignore();
            return;
        }
        // A save that failed (not one the user cancelled) keeps the window and
        // its results: ending now would lose them.
        if (answer == QMessageBox::Yes && m_files->Save() == FileCommands::SaveOutcome::Failed) {
            event->ignore();
            return;
        }
    }
    if (m_cycle->state() == ScanCycle::State::Scanning)
        m_cycle->StopScan();
    event->accept();
    QApplication::quit();
}

void frmMain::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint && watched->parent() == fgdData
        && qobject_cast<QAbstractButton *>(watched)) {
        auto *corner = static_cast<QWidget *>(watched);
        QStyleOptionHeader option;
        option.initFrom(corner);
        option.rect = corner->rect();
        option.text = m_table->text(0, 0);
        option.textAlignment = Qt::AlignCenter;
        option.position = QStyleOptionHeader::OnlyOneSection;
        QPainter painter(corner);
        corner->style()->drawControl(QStyle::CE_Header, &option, &painter, corner);
        return true;
    }
    if (watched == m_client && event->type() == QEvent::Resize) {
        Form_Resize();
        return false;
    }
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        // The channel lists take no typed character, Backspace and Enter
        // included: a channel is chosen from the list.
        const bool channelList = watched == cboStart || watched == cboEnd
            || watched == cboStart->lineEdit() || watched == cboEnd->lineEdit();
        const auto *key = static_cast<QKeyEvent *>(event);
        if (channelList && event->type() == QEvent::KeyPress
            && (!key->text().isEmpty() || key->key() == Qt::Key_Backspace
                || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && !(key->modifiers() & Qt::AltModifier))
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::Form_Resize()
{
    if (!m_client)
        return;
    // The rule works on outer sizes; the window manager's frame is not ours to
    // measure, so the outer size is the client area plus a fixed allowance.
    WindowMetrics metrics;
    metrics.minimized = isMinimized();
    metrics.innerWidth = pixelsToTwips(m_client->width());
    metrics.outerWidth = metrics.innerWidth + kFrameWidth;
    metrics.outerHeight
        = pixelsToTwips(m_client->height()) + kControlsTop + kStatusBarHeight + kFrameHeight;
    const ResizeStep step = mainWindowResizeStep(metrics, snapToPixel);
    switch (step.kind) {
    case ResizeStep::Kind::Nothing:
        return;
    case ResizeStep::Kind::Resize: {
        const int clientHeight
            = twipsToPixels(step.outerHeight - kFrameHeight - kControlsTop - kStatusBarHeight);
        resize(twipsToPixels(step.outerWidth - kFrameWidth),
               height() - m_client->height() + clientHeight);
        return;
    }
    case ResizeStep::Kind::Layout:
        break;
    }
    const MainLayout &l = step.layout;
    fraSet->setGeometry(twipsToPixels(l.fraSetLeft), fraSet->y(), twipsToPixels(l.fraSetWidth),
                        fraSet->height());
    fraData->setGeometry(twipsToPixels(l.fraDataLeft), fraData->y(), twipsToPixels(l.fraDataWidth),
                         twipsToPixels(l.fraDataHeight));
    fgdData->setGeometry(twipsToPixels(l.fgdDataLeft), fgdData->y(), twipsToPixels(l.fgdDataWidth),
                         twipsToPixels(l.fgdDataHeight));
    fraCh->move(twipsToPixels(l.fraChLeft), fraCh->y());
    fraPres->move(twipsToPixels(l.fraPresLeft), fraPres->y());
}
