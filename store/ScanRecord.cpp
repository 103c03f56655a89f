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
