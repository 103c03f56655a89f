#pragma once

#include <QLabel>

// The status bar's message: a text too long for the bar ends in "…" rather
// than being cut off mid-letter, and the whole text is its tool tip. text()
// stays the whole text.
class StatusLine : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

    void setMessage(const QString &text);
    // Whether the bar shows less than the whole text.
    bool isElided() const;

protected:
    void paintEvent(QPaintEvent *event) override;
};
