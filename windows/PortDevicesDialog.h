#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QTreeWidget;

// Chooses the serial device behind com1 and com2: the devices present are
// listed with their description and maker, and any path can be typed (a
// pseudo-terminal, say, which the system does not list).
class PortDevicesDialog : public QDialog
{
    Q_OBJECT
public:
    PortDevicesDialog(const QString &com1Device, const QString &com2Device,
                      QWidget *parent = nullptr);

    QString device(int port) const;
    // Shows the mapping without letting it change, with a note saying why.
    void showAsFixed(const QString &note);
    // Lists the devices present again.
    void refresh();

private:
    QTreeWidget *m_list = nullptr;
    QLabel *m_found = nullptr;
    QLabel *m_note = nullptr;
    QComboBox *m_com1 = nullptr;
    QComboBox *m_com2 = nullptr;
};
