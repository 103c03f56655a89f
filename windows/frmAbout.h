#pragma once

#include <QDialog>

// The About window: the product's title and version. OK, Enter and Esc close it.
class frmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit frmAbout(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
