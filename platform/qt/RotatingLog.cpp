#include "RotatingLog.h"

#include "LogLocation.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <atomic>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace {

// How long a log that could not be opened is left alone.
constexpr qint64 kRetryAfterFailureMs = 10'000;

std::atomic<RotatingLog *> installedLog { nullptr };
std::atomic<bool> installedToStderr { false };

char levelLetter(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return 'D';
    case QtInfoMsg:
        return 'I';
    case QtWarningMsg:
        return 'W';
    case QtCriticalMsg:
        return 'C';
    case QtFatalMsg:
        return 'F';
    }
    return '?';
}

void handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    try {
        const QString line = RotatingLog::formatLine(type, context.category, message);
        if (RotatingLog *log = installedLog.load())
            log->append(line);
        if (installedToStderr.load()) {
            const QByteArray bytes = line.toLocal8Bit() + '\n';
            std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
            std::fflush(stderr);
        }
    } catch (...) {
        // Out of memory while logging: the message is lost, nothing else.
    }
}

} // namespace

RotatingLog::RotatingLog(const QString &filePath, qint64 maxBytes, int files)
    : m_path(filePath), m_maxBytes(std::max<qint64>(maxBytes, 1024)), m_files(std::max(files, 1))
{
    m_file.setFileName(m_path);
}

RotatingLog::~RotatingLog()
{
    if (installedLog.load() == this)
        installedLog.store(nullptr);
    m_file.close();
}

QString RotatingLog::numbered(int index) const
{
    return index == 0 ? m_path : m_path + u'.' + QString::number(index);
}

bool RotatingLog::ensureOpen()
{
    if (m_file.isOpen())
        return true;
    if (m_sinceFailure.isValid() && m_sinceFailure.elapsed() < kRetryAfterFailureMs)
        return false;
    makeStateDirectory(QFileInfo(m_path).absolutePath());
    // The log holds the wire bytes: its user's only.
    if (m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text,
                    QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        m_sinceFailure.invalidate();
        return true;
    }
    m_sinceFailure.start();
    return false;
}

void RotatingLog::rotate()
{
    m_file.close();
    QFile::remove(numbered(m_files - 1));
    for (int i = m_files - 2; i >= 0; --i)
        QFile::rename(numbered(i), numbered(i + 1));
    if (m_files == 1)
        QFile::remove(m_path);
}

bool RotatingLog::append(const QString &text) noexcept
{
    try {
        const QByteArray bytes = text.toUtf8() + '\n';
        QMutexLocker lock(&m_mutex);
        if (!ensureOpen())
            return false;
        if (m_file.size() > 0 && m_file.size() + bytes.size() > m_maxBytes) {
            rotate();
            if (!ensureOpen())
                return false;
        }
        if (m_file.write(bytes) != bytes.size() || !m_file.flush()) {
            // A full disk, say: closed, and tried again later.
            m_file.close();
            m_sinceFailure.start();
            return false;
        }
        return true;
    } catch (...) {
        return false;
    }
}

QString RotatingLog::formatLine(QtMsgType type, const char *category, const QString &message)
{
    return u"%1 %2 %3: %4"_s.arg(
        QDateTime::currentDateTime().toString(u"yyyy-MM-dd hh:mm:ss.zzz"_s),
        QChar::fromLatin1(levelLetter(type)), QString::fromLatin1(category ? category : "default"),
        message);
}

bool RotatingLog::stderrIsTerminal()
{
#ifdef Q_OS_UNIX
    return ::isatty(STDERR_FILENO) == 1;
#else
    return false;
#endif
}

void RotatingLog::install(RotatingLog *log, bool toStderr)
{
    installedLog.store(log);
    installedToStderr.store(toStderr);
    qInstallMessageHandler(handleMessage);
}

void RotatingLog::uninstall()
{
    qInstallMessageHandler(nullptr);
    installedLog.store(nullptr);
}
