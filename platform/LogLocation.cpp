#include "LogLocation.h"

#include <QDir>

using namespace Qt::StringLiterals;

QString logDirectory()
{
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    // The base directory specification says a relative path is to be ignored.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + u"/.local/state"_s;
    return base + u"/ROZIVODA"_s;
}
