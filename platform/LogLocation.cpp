#include "LogLocation.h"

#include <QDir>

using namespace Qt::StringLiterals;

QString stateDirectory()
{
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    // A relative XDG_STATE_HOME is invalid and ignored, as by other programs.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + u"/.local/state"_s;
    return base + u"/ROZIVODA"_s;
}

QString logDirectory()
{
    return stateDirectory();
}
