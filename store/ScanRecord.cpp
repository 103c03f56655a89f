#include "ScanRecord.h"

using namespace Qt::StringLiterals;

QString scanStateName(ScanState state)
{
    switch (state) {
    case ScanState::Running:
        return u"running"_s;
    case ScanState::Stopped:
        return u"stopped"_s;
    case ScanState::Saved:
        return u"saved"_s;
    case ScanState::Discarded:
        return u"discarded"_s;
    }
    return {};
}

ScanState scanStateFromName(const QString &name)
{
    for (ScanState state : { ScanState::Stopped, ScanState::Saved, ScanState::Discarded })
        if (name == scanStateName(state))
            return state;
    return ScanState::Running;
}

QString scanFault(const ScanSummary &scan)
{
    const ScanInfo &info = scan.info;
    if (info.startChannel < 0 || info.endChannel > kLastStoredChannel
        || info.startChannel > info.endChannel)
        return u"it names channels %1 to %2"_s.arg(info.startChannel).arg(info.endChannel);
    if (scan.passes < 0 || scan.readings < 0 || scan.failedReadings < 0 || info.term.count() < 0)
        return u"it holds negative figures"_s;
    if (info.portName.size() > kMaxPortNameLength || info.device.size() > kMaxPortNameLength)
        return u"its port name is %1 characters long"_s.arg(
            std::max(info.portName.size(), info.device.size()));
    return {};
}
