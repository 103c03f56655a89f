#pragma once

#include "SettleCheck.h"

#include <QDialog>

class QCheckBox;
class QDoubleSpinBox;
class QSpinBox;
class SettingsStore;

// Scan > Settle Check: whether each reading is checked for having settled, the
// tolerance in the scan's unit and the most further queries per reading. Kept
// in the settings; a scan takes it when it starts.
class frmSettleCheck : public QDialog
{
    Q_OBJECT
public:
    explicit frmSettleCheck(const SettleCheck &check, QWidget *parent = nullptr);

    // The check as entered.
    SettleCheck check() const;

    // The check as stored; off where nothing sound is stored.
    static SettleCheck stored(const SettingsStore &settings);
    static bool store(SettingsStore &settings, const SettleCheck &check);

private:
    void updateEnabled();

    QCheckBox *chkSettle = nullptr;
    QDoubleSpinBox *txtTolerance = nullptr;
    QSpinBox *txtMaxQueries = nullptr;
};
