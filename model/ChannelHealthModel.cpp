#include "ChannelHealthModel.h"

#include "GridLayout.h"
#include "LiveData.h"
#include "TextContrast.h"

#include <QBrush>
#include <QColor>
#include <QLocale>

using namespace Qt::StringLiterals;

namespace {

QVariant figure(double value)
{
    return std::isfinite(value) ? QVariant(QLocale::c().toString(value, 'g', 6)) : QVariant();
}

} // namespace

ChannelHealthModel::ChannelHealthModel(const LiveData &data, QObject *parent)
    : QAbstractTableModel(parent), m_data(data), m_rows(data.channelCount())
{
    connect(&data, &LiveData::rangeReset, this, [this] {
        beginResetModel();
        m_rows = m_data.channelCount();
        endResetModel();
    });
    connect(&data, &LiveData::readingAdded, this, &ChannelHealthModel::readingAdded);
    connect(&data, &LiveData::figuresChanged, this, [this] {
        if (m_rows > 0)
            Q_EMIT dataChanged(index(0, Last), index(m_rows - 1, ColumnCount - 1));
    });
}

void ChannelHealthModel::readingAdded(int channel)
{
    const int row = channel - m_data.firstChannel();
    if (row >= 0 && row < m_rows)
        Q_EMIT dataChanged(index(row, Last), index(row, ColumnCount - 1));
}

int ChannelHealthModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int ChannelHealthModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ChannelHealthModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const int channel = m_data.firstChannel() + index.row();
    const ChannelHealth &health = m_data.health(channel);
    if (role == Qt::BackgroundRole || role == Qt::ForegroundRole) {
        QColor fill;
        if (health.failing && index.column() <= Last)
            fill = QColor(255, 214, 214);
        else if ((health.otherUnit && (index.column() == Last || index.column() == UnitChanges))
                 || (health.outOfBand && (index.column() == Last || index.column() == Alarms)))
            fill = QColor(255, 228, 150);
        if (!fill.isValid())
            return {};
        // Text that reads on the fill whatever the theme's text colour.
        return QBrush(role == Qt::BackgroundRole ? fill : TextContrast::textOn(fill));
    }
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(index.column() == LastFailure || index.column() == Channel
                                       ? Qt::AlignLeft | Qt::AlignVCenter
                                       : Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::ToolTipRole && index.column() == Channel) {
        const QString tip = m_data.channelNames().toolTip(channel);
        return tip.isEmpty() ? QVariant() : QVariant(tip);
    }
    if (role != Qt::DisplayRole)
        return {};
    switch (Column(index.column())) {
    case Channel:
        return m_data.channelNames().label(channel, ChannelNames::kShortNameLength);
    case Last:
        return health.failing ? tr("failed") : health.lastText;
    case Minimum:
        return figure(health.min);
    case Maximum:
        return figure(health.max);
    case Mean:
        return figure(health.mean);
    case StdDev:
        return figure(health.stdDev());
    case Taken:
        return health.taken;
    case Failed:
        return health.failed;
    case GivenUp:
        return health.givenUp;
    case UnitChanges:
        return health.unitChanges;
    case Alarms:
        return health.alarms();
    case NotSettled:
        return health.notSettled;
    case SettleTime: {
        const qint64 typical = health.typicalSettleMs();
        return typical < 0 ? QVariant() : QVariant(tr("%1 ms").arg(typical));
    }
    case LastFailure:
        return health.lastFailure;
    case LastFailureTime:
        return health.lastFailureTime.isValid()
            ? QVariant(health.lastFailureTime.toLocalTime().toString(u"yyyy-MM-dd HH:mm:ss.zzz"_s))
            : QVariant();
    case ColumnCount:
        break;
    }
    return {};
}

QVariant ChannelHealthModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::ToolTipRole && section == SettleTime)
        return tr("The median time from a channel's select to its settled reply, over its "
                  "latest readings: a term at least this long lets the scanner settle.");
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    const QStringList titles {
        tr("Channel"), tr("Last"),        tr("Minimum"),     tr("Maximum"),      tr("Mean"),
        tr("Std dev"), tr("Taken"),       tr("Failed"),      tr("Given up"),     tr("Unit changes"),
        tr("Alarms"),  tr("Not settled"), tr("Settle time"), tr("Last failure"), tr("Failure time"),
    };
    return section >= 0 && section < titles.size() ? QVariant(titles.at(section)) : QVariant();
}
