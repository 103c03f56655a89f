// Building the main window's widgets and status bar, as the
// window is defined; the behaviour is in frmMain.cpp.
#include "frmMain.h"

#include "FrameGeometry.h"
#include "ResultGridView.h"
#include "ResultTable.h"
#include "ScanSettingsPanel.h"
#include "StatusLine.h"
#include "Twips.h"

#include <QDate>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace FrameGeometry;

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

    fraSet = new ScanSettingsPanel(m_client);
    setTabOrder(fraSet->lastField(), fgdData);
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
