// Building the main window's widgets and placing them as the window is
// defined when it is resized; the behaviour is in frmMain.cpp.
#include "frmMain.h"

#include "FrameGeometry.h"
#include "MainWindowLayout.h"
#include "ResultGridView.h"
#include "ResultTable.h"
#include "ScanSettingsPanel.h"
#include "Twips.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>

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

    fraSet = new ScanSettingsPanel(m_settings, m_ports, m_client);
    setTabOrder(fraSet->lastField(), fgdData);
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
    fraSet->placeReadouts(twipsToPixels(l.fraChLeft), twipsToPixels(l.fraPresLeft));
}
