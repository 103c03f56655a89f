#include "ScanSettingsPanel.h"

#include "ChannelComboBox.h"
#include "FrameGeometry.h"
#include "MainReadouts.h"
#include "NumberText.h"
#include "PortMap.h"
#include "ScanTerm.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "StoredSettings.h"
#include "TextContrast.h"
#include "Twips.h"
#include "frmChannels.h"
#include "frmSettleCheck.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>

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

void place(QWidget *widget, double left, double top, double width, double height)
{
    widget->setGeometry(twipsRect(left, top, width, height));
}

} // namespace

ScanSettingsPanel::ScanSettingsPanel(SettingsStore &settings, PortMap &ports, QWidget *parent)
    : QGroupBox(parent), m_settings(settings), m_ports(ports)
{
    setObjectName(u"fraSet"_s);
    place(this, 60, 0, 9165, 1095);

    fraPres = new QGroupBox(tr("Pressure"), this);
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

    fraCh = new QGroupBox(tr("Channel"), this);
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

    txtTerm = new QLineEdit(u"1"_s, this);
    txtTerm->setObjectName(u"txtTerm"_s);
    txtTerm->setAlignment(Qt::AlignRight);
    place(txtTerm, 3150, 240, 525, 270);

    auto makeChannelList = [&](const QString &name, const QString &text, double top) {
        auto *box = new ChannelComboBox(this);
        box->setObjectName(name);
        box->setEditText(text);
        place(box, 1020, top, 645, 300);
        return box;
    };
    cboEnd = makeChannelList(u"cboEnd"_s, u"19"_s, 630);
    cboStart = makeChannelList(u"cboStart"_s, u"0"_s, 240);

    auto makeLabel = [&](const QString &name, const QString &text, double left, double top) {
        auto *label = new QLabel(text, this);
        label->setObjectName(name);
        label->move(twipsToPixels(left), twipsToPixels(top));
        label->adjustSize();
        return label;
    };
    m_secondsLabel = makeLabel(u"Label4"_s, tr("sec"), 3690, 300);
    m_termLabel = makeLabel(u"Label3"_s, tr("Scan Term:"), 2100, 300);
    m_endLabel = makeLabel(u"Label2"_s, tr("End CH:"), 150, 690);
    m_startLabel = makeLabel(u"Label1"_s, tr("Start CH:"), 150, 300);

    for (QWidget *readout :
         std::initializer_list<QWidget *> { fraPres, fraCh, lblPres, lblUnit, lblCH })
        keepColoursWhenDisabled(readout);
    m_readouts = new MainReadouts(lblPres, lblUnit, lblCH, this);

    // Keyboard focus follows the settings, then the table.
    setTabOrder(cboStart, cboEnd);
    setTabOrder(cboEnd, txtTerm);
    fitToFont();
}

ChannelNames ScanSettingsPanel::channelNames() const
{
    ChannelNames names;
    names.load(m_settings);
    return names;
}

std::optional<ChannelNames> ScanSettingsPanel::editChannelNames()
{
    frmChannels dialog(channelNames(), window());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    if (!dialog.names().save(m_settings))
        Q_EMIT settingsProblem();
    return dialog.names();
}

void ScanSettingsPanel::editSettleCheck()
{
    frmSettleCheck dialog(frmSettleCheck::stored(m_settings), window());
    if (dialog.exec() == QDialog::Accepted && !frmSettleCheck::store(m_settings, dialog.check()))
        Q_EMIT settingsProblem();
}

void ScanSettingsPanel::showZeroed(bool zeroed)
{
    fraPres->setTitle(zeroed ? tr("Pressure (zeroed)") : tr("Pressure"));
}

ScanSettingsPanel::Outcome ScanSettingsPanel::request()
{
    Outcome outcome;
    const double endCh = numberFromText(cboEnd->currentText());
    const double startCh = numberFromText(cboStart->currentText());
    if (endCh < startCh) {
        outcome.icon = QMessageBox::Information;
        outcome.title = tr("Channel Error");
        outcome.why = tr("Set Start CH less than End CH...");
        outcome.field = cboStart;
        return outcome;
    }

    bool inRange = true;
    const double term = numberFromText(txtTerm->text(), &inRange);
    if (inRange && term < kShortestTerm)
        txtTerm->setText(u"0.2"_s);
    const std::optional<std::chrono::milliseconds> period
        = inRange ? scanPeriodFor(term) : std::nullopt;
    if (!period) {
        outcome.icon = QMessageBox::Warning;
        outcome.title = tr("Scan Term");
        outcome.why
            = tr("The scan term is too long: at most %1 seconds.").arg(longestTermSeconds());
        outcome.field = txtTerm;
        return outcome;
    }

    ScanSession::Request request;
    request.startCh = int(startCh);
    request.endCh = int(endCh);
    request.period = *period;
    request.portName = portName();
    request.device = device();
    request.names = channelNames();
    request.settle = frmSettleCheck::stored(m_settings);
    outcome.request = request;
    return outcome;
}

void ScanSettingsPanel::load()
{
    m_port = StoredSettings::comPort(m_settings);
    Q_EMIT portChosen(m_port);
    chooseChannelCount(StoredSettings::channelCountIndex(m_settings));
}

void ScanSettingsPanel::choosePort(int port)
{
    keep(SettingsKeys::kComPort, QString::number(port));
    m_port = port;
    Q_EMIT portChosen(port);
}

void ScanSettingsPanel::chooseChannelCount(int index)
{
    keep(SettingsKeys::kChNum, QString::number(index));
    m_channelCount = StoredSettings::channelCountFor(index);
    cboStart->clear();
    cboEnd->clear();
    for (int c = 0; c < m_channelCount; ++c) {
        cboStart->addItem(QString::number(c));
        cboEnd->addItem(QString::number(c));
    }
    cboStart->setCurrentIndex(0);
    cboEnd->setCurrentIndex(m_channelCount - 1);
    Q_EMIT channelCountChosen(index);
}

QString ScanSettingsPanel::portName() const
{
    const QString port = u"com"_s + QString::number(m_port);
    return m_ports.isOverridden() ? PortMap::simulatedPortName(port) : port;
}

QString ScanSettingsPanel::device() const
{
    return m_ports.device(m_port);
}

void ScanSettingsPanel::keep(const QString &key, const QString &text)
{
    if (!m_settings.setValue(SettingsKeys::kSettings, key, text))
        Q_EMIT settingsProblem();
}

std::pair<int, int> ScanSettingsPanel::tableRange() const
{
    const double start = numberFromText(cboStart->currentText());
    qint16 end = 0;
    if (!roundToInt16(numberFromText(cboEnd->currentText()), &end))
        end = -1;
    // The lists hold channels 0 to 99 only; a range outside them lays out no
    // channel columns rather than thousands.
    if (start < 0 || start > 100)
        return { 0, -1 };
    return { int(start), std::min<int>(end, 100) };
}

QString ScanSettingsPanel::termText() const
{
    return txtTerm->text();
}

QWidget *ScanSettingsPanel::lastField() const
{
    return txtTerm;
}

void ScanSettingsPanel::placeReadouts(int channelLeft, int pressureLeft)
{
    fraCh->move(channelLeft, fraCh->y());
    fraPres->move(pressureLeft, fraPres->y());
}

void ScanSettingsPanel::changeEvent(QEvent *event)
{
    QGroupBox::changeEvent(event);
    if (event->type() == QEvent::FontChange && m_startLabel)
        fitToFont();
}

void ScanSettingsPanel::fitToFont()
{
    for (QLabel *label : { m_startLabel, m_endLabel, m_termLabel, m_secondsLabel })
        label->adjustSize();
    // Left to right, each control at its defined place or just right of the
    // one before it, whichever is further right; at the default font every
    // control stays where the window defines it.
    auto placeAfter = [](QWidget *control, double definedLeft, int previousRight) {
        control->move(std::max(twipsToPixels(definedLeft), previousRight + 1), control->y());
    };
    const int labelsRight
        = std::max(m_startLabel->geometry().right(), m_endLabel->geometry().right());
    placeAfter(cboStart, 1020, labelsRight);
    placeAfter(cboEnd, 1020, labelsRight);
    placeAfter(m_termLabel, 2100, cboStart->geometry().right());
    placeAfter(txtTerm, 3150, m_termLabel->geometry().right());
    placeAfter(m_secondsLabel, 3690, txtTerm->geometry().right());

    // The unit's bold text can run into the pressure frame's edge where the
    // Korean font is wider than the one the window was drawn for: it moves
    // left into the gap beside the reading, as far as that goes.
    lblUnit->adjustSize();
    const int overrun = lblUnit->geometry().right() - (fraPres->width() - 3);
    if (overrun > 0)
        lblUnit->move(std::max(lblPres->geometry().right() + 1, lblUnit->x() - overrun),
                      lblUnit->y());
}
