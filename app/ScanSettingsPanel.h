#pragma once

#include "ScanSession.h"

#include <QGroupBox>
#include <QMessageBox>

#include <optional>
#include <utility>

class ChannelComboBox;
class MainReadouts;
class QLabel;
class QLineEdit;

// The main window's settings row: the channel range, the scan term and the
// live readouts. It turns what was typed into a scan request, or says why
// there is none.
class ScanSettingsPanel : public QGroupBox
{
    Q_OBJECT
public:
    explicit ScanSettingsPanel(QWidget *parent = nullptr);

    // A request for the range and term as typed, the port left for the caller;
    // or, with no request, what to tell the user and the field to correct.
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

    // Offers channels 0 to count - 1 and selects them all.
    void setChannelCount(int count);
    // The channels the table is laid out for before a scan; none (-1) for a
    // range the lists do not hold.
    std::pair<int, int> tableRange() const;
    QString termText() const;
    QWidget *lastField() const;
    MainReadouts &readouts() const { return *m_readouts; }
    // The readout frames keep their distance from the window's right edge.
    void placeReadouts(int channelLeft, int pressureLeft);

protected:
    void changeEvent(QEvent *event) override;

private:
    // Moves the row's controls right, from their defined places, only as far
    // as a larger font needs for no label to run into its field.
    void fitToFont();

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
