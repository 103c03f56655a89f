#pragma once

#include <QDialog>

// What About tells of this run.
struct AboutFacts
{
    // Running against the simulated scanner.
    bool demo = false;
    QString record;
    QString log;
};

// The About window: the product's title and version, with the licence and
// the Qt version behind the version line. Below the window as defined, which
// has no room for them, the program's name, version, licence and where its
// record and log are, as selectable text. OK, Enter and Esc close it.
class frmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit frmAbout(const AboutFacts &facts = {}, QWidget *parent = nullptr);

    // The licence and the Qt version, shown as the version line's tool tip.
    static QString licenceAndQtText();
    // Adds the rig's id (that of its record) to the version line's tool tip.
    void setRigId(const QString &rig);

protected:
    void paintEvent(QPaintEvent *event) override;
};
