// Building the main window's widgets, as the
// window is defined; the behaviour is in frmMain.cpp.
#include "frmMain.h"

#include "FrameGeometry.h"
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
