#include "ErrorLabel.h"

#include "TextContrast.h"

#include <QLabel>

using namespace Qt::StringLiterals;

QLabel *makeErrorLabel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(u"lblError"_s);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText,
                     TextContrast::readable(QColor(200, 40, 40), palette.color(QPalette::Window),
                                            palette.color(QPalette::WindowText)));
    label->setPalette(palette);
    return label;
}
