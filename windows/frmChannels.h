#pragma once

#include "ChannelNames.h"

#include <QDialog>

class QLabel;
class QTableWidget;

// Set > Channels: a name and a note per channel. Ctrl+V or the Paste button
// takes rows copied from a spreadsheet: name and note columns from the current
// cell on, or, when every row starts with a channel number, channel, name and
// note rows put in their channels' places. OK is refused while a name or a note
// is longer than the record keeps.
class frmChannels : public QDialog
{
    Q_OBJECT
public:
    explicit frmChannels(const ChannelNames &names, QWidget *parent = nullptr);

    // The names as entered; valid after the dialog was accepted.
    ChannelNames names() const { return m_names; }

    void paste(const QString &text);

public Q_SLOTS:
    void accept() override;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QTableWidget *m_table = nullptr;
    QLabel *m_error = nullptr;
    ChannelNames m_names;
};
