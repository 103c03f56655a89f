#include "frmSettleCheck.h"

#include "SettingsKeys.h"
#include "SettingsStore.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// Far above any pressure a scanner reports, so that no typed tolerance is cut.
constexpr double kLargestTolerance = 1e6;
constexpr int kToleranceDecimals = 4;

} // namespace

frmSettleCheck::frmSettleCheck(const SettleCheck &check, QWidget *parent) : QDialog(parent)
{
    setObjectName(u"frmSettleCheck"_s);
    setWindowTitle(tr("Settle Check"));
    auto *explain = new QLabel(
        tr("After a reading's reply, query the channel again until two replies in a row differ "
           "by no more than the tolerance, within the tick. A reading that does not settle is "
           "kept and shaded. Applies from the next scan."),
        this);
    explain->setWordWrap(true);
    chkSettle = new QCheckBox(tr("&Check that each reading has settled"), this);
    chkSettle->setObjectName(u"chkSettle"_s);
    chkSettle->setChecked(check.on);
    txtTolerance = new QDoubleSpinBox(this);
    txtTolerance->setObjectName(u"txtTolerance"_s);
    txtTolerance->setDecimals(kToleranceDecimals);
    txtTolerance->setRange(0, kLargestTolerance);
    txtTolerance->setSingleStep(0.001);
    txtTolerance->setValue(check.tolerance);
    txtTolerance->setToolTip(tr("In the unit the scanner replies in."));
    txtMaxQueries = new QSpinBox(this);
    txtMaxQueries->setObjectName(u"txtMaxQueries"_s);
    txtMaxQueries->setRange(1, SettleCheck::kMostExtraQueries);
    txtMaxQueries->setValue(std::clamp(check.maxExtraQueries, 1, SettleCheck::kMostExtraQueries));

    auto *form = new QFormLayout;
    form->addRow(tr("&Tolerance:"), txtTolerance);
    form->addRow(tr("&Most further queries:"), txtMaxQueries);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(chkSettle, &QCheckBox::toggled, this, &frmSettleCheck::updateEnabled);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(explain);
    layout->addWidget(chkSettle);
    layout->addLayout(form);
    layout->addWidget(buttons);
    updateEnabled();
}

void frmSettleCheck::updateEnabled()
{
    txtTolerance->setEnabled(chkSettle->isChecked());
    txtMaxQueries->setEnabled(chkSettle->isChecked());
}

SettleCheck frmSettleCheck::check() const
{
    SettleCheck check;
    check.on = chkSettle->isChecked();
    check.tolerance = txtTolerance->value();
    check.maxExtraQueries = txtMaxQueries->value();
    return check;
}

SettleCheck frmSettleCheck::stored(const SettingsStore &settings)
{
    using namespace SettingsKeys;
    SettleCheck check;
    bool toleranceOk = false;
    bool mostOk = false;
    const double tolerance = QLocale::c().toDouble(
        settings.value(kSettleCheck, kSettleTolerance, QString()), &toleranceOk);
    const int most = settings.value(kSettleCheck, kSettleMaxQueries, QString()).toInt(&mostOk);
    if (toleranceOk && std::isfinite(tolerance) && tolerance >= 0 && tolerance <= kLargestTolerance)
        check.tolerance = tolerance;
    if (mostOk && most >= 1 && most <= SettleCheck::kMostExtraQueries)
        check.maxExtraQueries = most;
    check.on = settings.value(kSettleCheck, kSettleOn, QString()) == u"1"_s && toleranceOk;
    return check;
}

bool frmSettleCheck::store(SettingsStore &settings, const SettleCheck &check)
{
    using namespace SettingsKeys;
    return settings.setValue(kSettleCheck, kSettleOn, check.on ? u"1"_s : u"0"_s)
        && settings.setValue(kSettleCheck, kSettleTolerance,
                             QLocale::c().toString(check.tolerance, 'g', 17))
        && settings.setValue(kSettleCheck, kSettleMaxQueries,
                             QString::number(check.maxExtraQueries));
}
