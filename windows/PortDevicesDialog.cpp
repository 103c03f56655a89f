#include "PortDevicesDialog.h"

#include "SerialPortLister.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

PortDevicesDialog::PortDevicesDialog(const QString &com1Device, const QString &com2Device,
                                     QWidget *parent)
    : QDialog(parent)
{
    setObjectName(u"PortDevicesDialog"_s);
    setWindowTitle(tr("Serial Devices"));

    m_list = new QTreeWidget(this);
    m_list->setObjectName(u"lstDevices"_s);
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({ tr("Device"), tr("Description"), tr("Manufacturer") });
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);

    auto makeChoice = [&](const QString &name, const QString &current) {
        auto *box = new QComboBox(this);
        box->setObjectName(name);
        box->setEditable(true);
        box->setEditText(current);
        box->setMinimumContentsLength(24);
        return box;
    };
    m_com1 = makeChoice(u"cboCom1Device"_s, com1Device);
    m_com2 = makeChoice(u"cboCom2Device"_s, com2Device);

    // Choosing a device in the list offers it for com1 and com2 alike.
    connect(m_list, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem *item) { m_com1->setEditText(item->text(0)); });

    auto *form = new QFormLayout;
    form->addRow(tr("com1:"), m_com1);
    form->addRow(tr("com2:"), m_com2);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    m_note = new QLabel(this);
    m_note->setObjectName(u"lblFixedNote"_s);
    m_note->setWordWrap(true);
    m_note->hide();

    m_found = new QLabel(this);
    m_found->setObjectName(u"lblFound"_s);
    // An adapter plugged in while the dialog is open shows up without closing it.
    auto *cmdRefresh = new QPushButton(tr("&Refresh"), this);
    cmdRefresh->setObjectName(u"cmdRefresh"_s);
    connect(cmdRefresh, &QPushButton::clicked, this, &PortDevicesDialog::refresh);
    auto *foundRow = new QHBoxLayout;
    foundRow->addWidget(m_found, 1);
    foundRow->addWidget(cmdRefresh);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_note);
    layout->addLayout(foundRow);
    layout->addWidget(m_list);
    layout->addLayout(form);
    layout->addWidget(buttons);
    refresh();
}

void PortDevicesDialog::refresh()
{
    m_list->clear();
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    QStringList locations;
    for (const QSerialPortInfo &port : ports) {
        // The by-id name stays the same when the adapter is plugged in again
        // and gets another ttyUSB number: offered first, where there is one.
        const QString stable = SerialDevices::stablePathFor(port.systemLocation());
        const QString shown = stable.isEmpty() ? port.systemLocation() : stable;
        auto *item = new QTreeWidgetItem({ shown, port.description(), port.manufacturer() });
        item->setToolTip(0, port.systemLocation());
        m_list->addTopLevelItem(item);
        locations << shown;
        if (!stable.isEmpty())
            locations << port.systemLocation();
    }
    for (QComboBox *box : { m_com1, m_com2 }) {
        const QString typed = box->currentText();
        box->clear();
        box->addItems(locations);
        box->setEditText(typed);
    }
    m_found->setText(ports.isEmpty() ? tr("No serial devices found; type a device path.")
                                     : tr("Serial devices present:"));
}

QString PortDevicesDialog::device(int port) const
{
    return (port == 2 ? m_com2 : m_com1)->currentText().trimmed();
}

void PortDevicesDialog::showAsFixed(const QString &note)
{
    m_note->setText(note);
    m_note->show();
    m_com1->setEnabled(false);
    m_com2->setEnabled(false);
}
