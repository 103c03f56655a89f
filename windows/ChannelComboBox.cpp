#include "ChannelComboBox.h"

#include <QKeyEvent>
#include <QLineEdit>

ChannelComboBox::ChannelComboBox(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    installEventFilter(this);
    lineEdit()->installEventFilter(this);
}

bool ChannelComboBox::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((!key->text().isEmpty() || key->key() == Qt::Key_Backspace
             || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && !(key->modifiers() & Qt::AltModifier))
            return true;
    }
    return QComboBox::eventFilter(watched, event);
}
