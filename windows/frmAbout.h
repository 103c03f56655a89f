#pragma once

#include <QDialog>

// The About window: the product's title and version, with the licence and
// the Qt version behind the version line. OK, Enter and Esc close it.
class frmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit frmAbout(QWidget *parent = nullptr);

    // The licence and the Qt version, shown as the version line's tool tip.
    static QString licenceAndQtText();
    // Adds the rig's id (that of its record) to the version line's tool tip.
    void setRigId(const QString &rig);

protected:
    void paintEvent(QPaintEvent *event) override;
};
