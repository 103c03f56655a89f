#include "frmChannels.h"

#include "ErrorLabel.h"
#include "GridLayout.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int kColumns = 2;
constexpr int kRows = ChannelNames::kLastChannel - ChannelNames::kFirstChannel + 1;

QStringList pastedLines(const QString &text)
{
    QStringList lines = text.split(u'\n');
    // A spreadsheet ends its copy with a line break.
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    for (QString &line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    return lines;
}

// The channel a pasted row starts with ("3" or "Ch 03"), or -1.
int leadingChannel(const QString &field)
{
    QString text = field.trimmed();
    if (text.startsWith(u"Ch"_s, Qt::CaseInsensitive))
        text = text.mid(2).trimmed();
    bool ok = false;
    const int channel = text.toInt(&ok);
    return ok && channel >= ChannelNames::kFirstChannel && channel <= ChannelNames::kLastChannel
        ? channel
        : -1;
}

} // namespace

frmChannels::frmChannels(const ChannelNames &names, QWidget *parent)
    : QDialog(parent), m_names(names)
{
    setObjectName(u"frmChannels"_s);
    setWindowTitle(tr("Channels"));

    m_table = new QTableWidget(kRows, kColumns, this);
    m_table->setObjectName(u"grdChannels"_s);
    m_table->setHorizontalHeaderLabels({ tr("Name"), tr("Note") });
    m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Interactive);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setColumnWidth(0, 180);
    for (int row = 0; row < kRows; ++row) {
        const int channel = ChannelNames::kFirstChannel + row;
        m_table->setVerticalHeaderItem(row, new QTableWidgetItem(u"Ch "_s + channelText(channel)));
        m_table->setItem(row, 0, new QTableWidgetItem(names.name(channel)));
        m_table->setItem(row, 1, new QTableWidgetItem(names.note(channel)));
    }
    m_table->setCurrentCell(0, 0);

    auto *cmdPaste = new QPushButton(tr("&Paste"), this);
    cmdPaste->setObjectName(u"cmdPaste"_s);
    cmdPaste->setToolTip(tr("Paste name and note columns copied from a spreadsheet, or rows of "
                            "channel, name and note"));
    auto *cmdClear = new QPushButton(tr("&Clear all"), this);
    cmdClear->setObjectName(u"cmdClearAll"_s);
    auto *lblHint = new QLabel(
        tr("Names show in the grid's header tips, the live view, the manual window and the CSV "
           "export, and are kept with each scan. Result files keep \"Ch NN\"."),
        this);
    lblHint->setWordWrap(true);
    m_error = makeErrorLabel(this);
    auto *box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    box->setObjectName(u"btnBox"_s);

    auto *tools = new QHBoxLayout;
    tools->addWidget(cmdPaste);
    tools->addWidget(cmdClear);
    tools->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addLayout(tools);
    layout->addWidget(lblHint);
    layout->addWidget(m_error);
    layout->addWidget(box);
    resize(560, 520);

    connect(cmdPaste, &QPushButton::clicked, this,
            [this] { paste(QApplication::clipboard()->text()); });
    connect(cmdClear, &QPushButton::clicked, this, [this] {
        for (int row = 0; row < m_table->rowCount(); ++row)
            for (int column = 0; column < kColumns; ++column)
                m_table->item(row, column)->setText({});
    });
    connect(box, &QDialogButtonBox::accepted, this, &frmChannels::accept);
    connect(box, &QDialogButtonBox::rejected, this, &frmChannels::reject);
}

void frmChannels::paste(const QString &text)
{
    const QStringList lines = pastedLines(text);
    bool byChannel = !lines.isEmpty();
    for (const QString &line : lines) {
        const QStringList fields = line.split(u'\t');
        if (fields.size() < 2 || leadingChannel(fields.first()) < 0) {
            byChannel = false;
            break;
        }
    }
    const int firstRow = std::max(m_table->currentRow(), 0);
    const int firstColumn = byChannel ? 0 : std::max(m_table->currentColumn(), 0);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QStringList fields = lines.at(i).split(u'\t');
        int row = firstRow + int(i);
        if (byChannel)
            row = leadingChannel(fields.takeFirst()) - ChannelNames::kFirstChannel;
        if (row >= m_table->rowCount())
            break;
        for (qsizetype j = 0; j < fields.size(); ++j) {
            const int column = firstColumn + int(j);
            if (column >= kColumns)
                break;
            // Held as typed until OK, so that a name too long shows whole.
            m_table->item(row, column)->setText(fields.at(j).trimmed());
        }
    }
}

void frmChannels::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Paste)) {
        paste(QApplication::clipboard()->text());
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmChannels::accept()
{
    ChannelNames names;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const int channel = ChannelNames::kFirstChannel + row;
        const QString name = m_table->item(row, 0)->text();
        const QString note = m_table->item(row, 1)->text();
        const bool longName = ChannelNames::cleanText(name, ChannelNames::kMaxNameLength + 1).size()
            > ChannelNames::kMaxNameLength;
        const bool longNote = ChannelNames::cleanText(note, ChannelNames::kMaxNoteLength + 1).size()
            > ChannelNames::kMaxNoteLength;
        if (longName || longNote) {
            m_error->setText(longName ? tr("Ch %1: a name may have at most %2 characters.")
                                            .arg(channelText(channel))
                                            .arg(ChannelNames::kMaxNameLength)
                                      : tr("Ch %1: a note may have at most %2 characters.")
                                            .arg(channelText(channel))
                                            .arg(ChannelNames::kMaxNoteLength));
            m_table->setCurrentCell(row, longName ? 0 : 1);
            return;
        }
        names.set(channel, name, note);
    }
    m_error->clear();
    m_names = names;
    QDialog::accept();
}
