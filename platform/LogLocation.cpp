#include "LogLocation.h"

#include <QDir>
#include <QFile>

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

bool makeStateDirectory(const QString &path)
{
    if (!QDir().mkpath(path))
        return false;
    if (QDir::cleanPath(path) == QDir::cleanPath(stateDirectory()))
        QFile::setPermissions(
            path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return true;
}
