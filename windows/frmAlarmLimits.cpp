#include "frmAlarmLimits.h"

#include "ErrorLabel.h"
#include "GridLayout.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

QString limitText(const std::optional<double> &limit)
{
    return limit ? QLocale::c().toString(*limit, 'g', 15) : QString();
}

// A number as typed or pasted: the C locale's form or the user's own.
bool readNumber(const QString &text, std::optional<double> *value)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        *value = std::nullopt;
        return true;
    }
    bool ok = false;
    double number = QLocale::c().toDouble(trimmed, &ok);
    if (!ok)
        number = QLocale().toDouble(trimmed, &ok);
    if (!ok || !std::isfinite(number))
        return false;
    *value = number;
    return true;
}

} // namespace

frmAlarmLimits::frmAlarmLimits(const AlarmLimits &limits, int firstChannel, int lastChannel,
                               QWidget *parent)
    : QDialog(parent), m_limits(limits), m_first(firstChannel), m_last(lastChannel)
{
    setObjectName(u"frmAlarmLimits"_s);
    setWindowTitle(tr("Alarm Limits"));

    m_table = new QTableWidget(std::max(lastChannel - firstChannel + 1, 0), 2, this);
    m_table->setObjectName(u"grdLimits"_s);
    m_table->setHorizontalHeaderLabels({ tr("Low"), tr("High") });
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    for (int channel = firstChannel; channel <= lastChannel; ++channel) {
        const int row = channel - firstChannel;
        m_table->setVerticalHeaderItem(row, new QTableWidgetItem(u"Ch "_s + channelText(channel)));
        const AlarmLimits::Band band = limits.band(channel);
        m_table->setItem(row, 0, new QTableWidgetItem(limitText(band.low)));
        m_table->setItem(row, 1, new QTableWidgetItem(limitText(band.high)));
    }
    if (m_table->rowCount() > 0)
        m_table->setCurrentCell(0, 0);

    auto *cmdApplyAll = new QPushButton(tr("Apply to &all"), this);
    cmdApplyAll->setObjectName(u"cmdApplyAll"_s);
    cmdApplyAll->setToolTip(tr("Give every channel the selected channel's limits"));
    auto *cmdPaste = new QPushButton(tr("&Paste"), this);
    cmdPaste->setObjectName(u"cmdPaste"_s);
    cmdPaste->setToolTip(tr("Paste low and high columns copied from a spreadsheet"));
    auto *cmdClear = new QPushButton(tr("&Clear all"), this);
    cmdClear->setObjectName(u"cmdClearAll"_s);
    m_error = makeErrorLabel(this);
    auto *box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    box->setObjectName(u"btnBox"_s);

    auto *tools = new QHBoxLayout;
    tools->addWidget(cmdApplyAll);
    tools->addWidget(cmdPaste);
    tools->addWidget(cmdClear);
    tools->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addLayout(tools);
    layout->addWidget(m_error);
    layout->addWidget(box);
    resize(360, 480);

    connect(cmdApplyAll, &QPushButton::clicked, this, &frmAlarmLimits::applyToAll);
    connect(cmdPaste, &QPushButton::clicked, this,
            [this] { paste(QApplication::clipboard()->text()); });
    connect(cmdClear, &QPushButton::clicked, this, [this] {
        for (int row = 0; row < m_table->rowCount(); ++row)
            for (int column = 0; column < 2; ++column)
                m_table->item(row, column)->setText({});
    });
    connect(box, &QDialogButtonBox::accepted, this, &frmAlarmLimits::accept);
    connect(box, &QDialogButtonBox::rejected, this, &frmAlarmLimits::reject);
}

void frmAlarmLimits::applyToAll()
{
    const int source = m_table->currentRow();
    if (source < 0)
        return;
    const QString low = m_table->item(source, 0)->text();
    const QString high = m_table->item(source, 1)->text();
    for (int row = 0; row < m_table->rowCount(); ++row) {
        m_table->item(row, 0)->setText(low);
        m_table->item(row, 1)->setText(high);
    }
}

void frmAlarmLimits::paste(const QString &text)
{
    const int firstRow = std::max(m_table->currentRow(), 0);
    const int firstColumn = std::max(m_table->currentColumn(), 0);
    QStringList lines = text.split(u'\n');
    // A spreadsheet ends its copy with a line break.
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int row = firstRow + int(i);
        if (row >= m_table->rowCount())
            break;
        QString line = lines.at(i);
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QStringList fields = line.split(u'\t');
        for (qsizetype j = 0; j < fields.size(); ++j) {
            const int column = firstColumn + int(j);
            if (column >= 2)
                break;
            m_table->item(row, column)->setText(fields.at(j).trimmed());
        }
    }
}

void frmAlarmLimits::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Paste)) {
        paste(QApplication::clipboard()->text());
        return;
    }
    QDialog::keyPressEvent(event);
}

bool frmAlarmLimits::readTable(AlarmLimits *limits)
{
    limits->clear();
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const QString channel = u"Ch "_s + channelText(m_first + row);
        AlarmLimits::Band band;
        for (int column = 0; column < 2; ++column) {
            auto *side = column == 0 ? &band.low : &band.high;
            if (!readNumber(m_table->item(row, column)->text(), side)) {
                m_error->setText(tr("%1: \"%2\" is not a number.")
                                     .arg(channel, m_table->item(row, column)->text()));
                m_table->setCurrentCell(row, column);
                return false;
            }
        }
        if (band.low && band.high && *band.low > *band.high) {
            m_error->setText(tr("%1: the low limit lies above the high limit.").arg(channel));
            m_table->setCurrentCell(row, 0);
            return false;
        }
        limits->setBand(m_first + row, band);
    }
    m_error->clear();
    return true;
}

void frmAlarmLimits::accept()
{
    AlarmLimits limits;
    if (!readTable(&limits))
        return;
    // Limits of channels outside this range are kept.
    for (auto it = m_limits.bands().cbegin(); it != m_limits.bands().cend(); ++it) {
        if (it.key() < m_first || it.key() > m_last)
            limits.setBand(it.key(), it.value());
    }
    m_limits = limits;
    QDialog::accept();
}
