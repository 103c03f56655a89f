#pragma once

#include <QComboBox>

// A channel list: editable so that it shows any channel text, but a channel is
// chosen from the list only. Every typed character is dropped, Backspace and
// Enter included; arrow keys and Alt shortcuts still work.
class ChannelComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit ChannelComboBox(QWidget *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
