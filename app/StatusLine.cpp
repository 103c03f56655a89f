#include "StatusLine.h"

#include <QPainter>
#include <QStyle>

void StatusLine::setMessage(const QString &text)
{
    setText(text);
    setToolTip(text);
}

bool StatusLine::isElided() const
{
    return fontMetrics().horizontalAdvance(text()) > contentsRect().width();
}

void StatusLine::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect area = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
    style()->drawItemText(&painter, area, int(Qt::AlignLeft | Qt::AlignVCenter), palette(),
                          isEnabled(), shown, foregroundRole());
}
