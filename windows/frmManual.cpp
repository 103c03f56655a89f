#include "frmManual.h"

#include "ChannelNames.h"

#include "ManualScanHost.h"
#include "NumberText.h"
#include "StoredSettings.h"
#include "Timer.h"
#include "Twips.h"

#include <QPushButton>

#include <climits>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr int kButtons = 100;
constexpr double kClientWidth = 8880;
constexpr double kClientHeight = 3450;
// What the frame and caption add to the client area.
constexpr double kFrameHeight = 390;
constexpr double kFrameWidth = 90;

double buttonTop(int index)
{
    return 60 + 330 * (index / 10);
}

} // namespace

frmManual::frmManual(ManualScanHost &host, SettingsStore &settings, TimerFactory &timers,
                     QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                  | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint)
    , m_host(host)
    , m_settings(settings)
    , m_pause(timers.createTimer())
{
    setObjectName(u"frmManual"_s);
    setWindowTitle(tr("Manual Scan"));
    if (parent)
        setWindowIcon(parent->windowIcon());
    setFixedSize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));

    m_pause->setSingleShot(true);
    connect(m_pause.get(), &Timer::timeout, this, &frmManual::readAfterPause);

    for (int i = 0; i < kButtons; ++i) {
        auto *button = new QPushButton(this);
        button->setObjectName(u"cmdCH"_s);
        button->setProperty("index", i);
        button->setAutoDefault(false);
        button->setGeometry(twipsToPixels(90 + 870 * (i % 10)), twipsToPixels(buttonTop(i)),
                            twipsToPixels(885), twipsToPixels(345));
        connect(button, &QPushButton::clicked, this, [this, i] { cmdCH_Click(i); });
        if (!cmdCH.isEmpty())
            setTabOrder(cmdCH.last(), button);
        cmdCH << button;
    }
}

frmManual::~frmManual()
{
    if (m_portOpen)
        m_host.closeScannerPort();
}

double frmManual::outerHeightFor(int channelCount)
{
    return buttonTop(channelCount - 1) + 820;
}

qint64 frmManual::pauseFor(const QString &termText)
{
    const double ms = std::nearbyint(numberFromText(termText) * 500);
    // A negative or absurd term still gives a bounded pause.
    return qint64(std::clamp(ms, 0.0, double(INT_MAX)));
}

bool frmManual::Form_Load(QString *error)
{
    // Below the main window's settings, on the same vertical centre line.
    const QRect host = m_host.hostFrameGeometry();
    move(host.left() + (host.width() - (width() + twipsToPixels(kFrameWidth))) / 2,
         host.top() + twipsToPixels(2250));

    m_channelCount = StoredSettings::channelCountFor(StoredSettings::channelCountIndex(m_settings));

    // Manual readings belong to no scan: the names are today's.
    ChannelNames names;
    names.load(m_settings);
    for (int i = 0; i < kButtons; ++i) {
        cmdCH.at(i)->setText(i <= 9 ? u"CH 0"_s + QString::number(i)
                                    : u"CH "_s + QString::number(i));
        cmdCH.at(i)->setToolTip(names.toolTip(i));
        cmdCH.at(i)->setVisible(i < m_channelCount);
    }
    setFixedHeight(twipsToPixels(outerHeightFor(m_channelCount) - kFrameHeight));

    m_portOpen = m_host.openScannerPort(error);
    return m_portOpen;
}

void frmManual::cmdCH_Click(int index)
{
    // One exchange on the line at a time.
    if (m_reading || !m_portOpen)
        return;
    m_reading = true;
    m_host.PortOpen(index);
    for (int i = 0; i < kButtons; ++i) {
        QFont font = cmdCH.at(i)->font();
        font.setBold(i == index);
        cmdCH.at(i)->setFont(font);
    }
    // The scanner settles on the channel for half the scan term; the window
    // keeps repainting meanwhile.
    m_pause->start(std::chrono::milliseconds(pauseFor(m_host.scanTermText())));
}

void frmManual::readAfterPause()
{
    if (!m_portOpen || !m_host.ReadPres([this] { finishReading(); }))
        finishReading();
}

void frmManual::finishReading()
{
    m_reading = false;
}

void frmManual::done(int result)
{
    // However the window closes (close box, Esc), it gives the port back.
    m_pause->stop();
    if (m_portOpen) {
        m_host.closeScannerPort();
        m_portOpen = false;
    }
    m_reading = false;
    QDialog::done(result);
}
