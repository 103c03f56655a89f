#pragma once

#include "ScanSession.h"

#include <QGroupBox>
#include <QMessageBox>

#include <optional>
#include <utility>

class ChannelComboBox;
class MainReadouts;
class PortMap;
class SettingsStore;
class QLabel;
class QLineEdit;

// The main window's settings row: the channel range, the scan term and the
// live readouts, with the port and the channel count the menus choose. It
// turns them into a scan request, or says why there is none.
class ScanSettingsPanel : public QGroupBox
{
    Q_OBJECT
public:
    ScanSettingsPanel(SettingsStore &settings, PortMap &ports, QWidget *parent = nullptr);

    // Restores the port and the channel count kept in the settings.
    void load();
    void choosePort(int port);
    // Channel counts 10, 20, ... 100 by their index 0 to 9.
    void chooseChannelCount(int index);
    int port() const { return m_port; }
    int channelCount() const { return m_channelCount; }
    // "com1", or the simulated scanner's name for it, and its device.
    QString portName() const;
    QString device() const;
    // Keeps a value of the Settings section; settingsProblem() when it cannot.
    void keep(const QString &key, const QString &text);
    // The channels' names and the settle check a scan is taken with, kept in
    // the settings; edited in their windows (the names: those accepted, or
    // none when the window was cancelled).
    ChannelNames channelNames() const;
    std::optional<ChannelNames> editChannelNames();
    void editSettleCheck();

    // A request for the range, term and port as chosen; or, with no request,
    // what to tell the user and the field to correct.
    // A term below the shortest is raised to it, in the field too.
    struct Outcome
    {
        std::optional<ScanSession::Request> request;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title;
        QString why;
        QWidget *field = nullptr;
    };
    Outcome request();

    // The channels the table is laid out for before a scan; none (-1) for a
    // range the lists do not hold.
    std::pair<int, int> tableRange() const;
    QString termText() const;
    QWidget *lastField() const;
    MainReadouts &readouts() const { return *m_readouts; }
    // The pressure readout's title says whether it shows values zeroed.
    void showZeroed(bool zeroed);
    // The readout frames keep their distance from the window's right edge.
    void placeReadouts(int channelLeft, int pressureLeft);

Q_SIGNALS:
    void portChosen(int port);
    void channelCountChosen(int index);
    void settingsProblem();

protected:
    void changeEvent(QEvent *event) override;

private:
    // Moves the row's controls right, from their defined places, only as far
    // as a larger font needs for no label to run into its field.
    void fitToFont();

    SettingsStore &m_settings;
    PortMap &m_ports;
    int m_port = 1;
    int m_channelCount = 0;
    QGroupBox *fraPres = nullptr;
    QLabel *lblUnit = nullptr;
    QLabel *lblPres = nullptr;
    QGroupBox *fraCh = nullptr;
    QLabel *lblCH = nullptr;
    QLineEdit *txtTerm = nullptr;
    ChannelComboBox *cboEnd = nullptr;
    ChannelComboBox *cboStart = nullptr;
    QLabel *m_startLabel = nullptr;
    QLabel *m_endLabel = nullptr;
    QLabel *m_termLabel = nullptr;
    QLabel *m_secondsLabel = nullptr;
    MainReadouts *m_readouts = nullptr;
};
