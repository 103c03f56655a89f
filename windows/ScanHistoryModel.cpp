#include "ScanHistoryModel.h"

#include "NumberText.h"
#include "PortMap.h"

using namespace Qt::StringLiterals;

ScanHistoryModel::ScanHistoryModel(QObject *parent) : QAbstractTableModel(parent) { }

void ScanHistoryModel::setScans(const QList<ScanSummary> &scans)
{
    beginResetModel();
    m_scans = scans;
    endResetModel();
}

int ScanHistoryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_scans.size());
}

int ScanHistoryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString ScanHistoryModel::localTimeText(const QDateTime &time)
{
    return time.isValid() ? time.toLocalTime().toString(u"yyyy-MM-dd HH:mm:ss"_s) : QString();
}

QString ScanHistoryModel::stateText(ScanState state)
{
    switch (state) {
    case ScanState::Running:
        // Still marked running while no scan runs: the program ended without Stop.
        return tr("not ended");
    case ScanState::Stopped:
        return tr("stopped");
    case ScanState::Saved:
        return tr("saved");
    case ScanState::Discarded:
        return tr("discarded");
    }
    return {};
}

QVariant ScanHistoryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_scans.size())
        return {};
    const ScanSummary &scan = m_scans.at(index.row());
    if (role == Qt::TextAlignmentRole) {
        switch (index.column()) {
        case Passes:
        case Readings:
        case Failed:
        case Term:
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        default:
            return {};
        }
    }
    if (role == Qt::ToolTipRole && index.column() == SavedFile)
        return scan.savedFile;
    if (role == Qt::ToolTipRole && index.column() == Range && !scan.info.names.isEmpty()) {
        // The names the scan was taken with, as the record keeps them.
        QStringList lines;
        const ChannelNames &names = scan.info.names;
        for (auto it = names.entries().cbegin(); it != names.entries().cend(); ++it)
            lines << names.label(it.key()) + (it->note.isEmpty() ? QString() : u": "_s + it->note);
        return ChannelNames::plainToolTip(lines.join(u'\n'));
    }
    if (role != Qt::DisplayRole)
        return {};
    switch (Column(index.column())) {
    case Start:
        return localTimeText(scan.info.start);
    case End:
        return localTimeText(scan.end);
    case Range:
        return u"%1 - %2"_s.arg(scan.info.startChannel).arg(scan.info.endChannel);
    case Term:
        return shortestNumberText(double(scan.info.term.count()) / 1000) + tr(" s", "seconds");
    case Passes:
        return scan.passes;
    case Readings:
        return scan.readings;
    case Failed:
        return scan.failedReadings;
    case State:
        return stateText(scan.state);
    case SavedFile:
        return scan.savedFile;
    case Host:
        return scan.info.host.isEmpty() ? tr("this computer") : scan.info.host;
    case Port:
        // Readings from the simulated scanner must not pass for real ones.
        return PortMap::isSimulatedPortName(scan.info.portName)
            ? tr("simulated scanner")
            : scan.info.portName + u" ("_s + scan.info.device + u')';
    case ColumnCount:
        break;
    }
    return {};
}

QVariant ScanHistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (Column(section)) {
    case Start:
        return tr("Start");
    case End:
        return tr("End");
    case Range:
        return tr("Channels");
    case Term:
        return tr("Term");
    case Passes:
        return tr("Passes");
    case Readings:
        return tr("Readings");
    case Failed:
        return tr("Failed");
    case State:
        return tr("State");
    case SavedFile:
        return tr("Saved to");
    case Host:
        return tr("Computer");
    case Port:
        return tr("Scanner");
    case ColumnCount:
        break;
    }
    return {};
}
