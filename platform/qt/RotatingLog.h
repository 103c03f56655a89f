#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QMutex>
#include <QString>

// The program's log file, rotated by size: name, name.1 ... name.(files-1),
// the oldest dropped, so the whole log stays under files * maxBytes. Safe to
// call from any thread. A log that cannot be written is skipped quietly and
// tried again now and then: logging never stops anything.
class RotatingLog
{
public:
    static constexpr qint64 kMaxBytes = 2 * 1024 * 1024;
    static constexpr int kFiles = 4;

    explicit RotatingLog(const QString &filePath, qint64 maxBytes = kMaxBytes, int files = kFiles);
    ~RotatingLog();

    // Appends text and a line end; false when it could not be written.
    bool append(const QString &text) noexcept;
    QString filePath() const { return m_path; }

    // Sends every Qt message to log (when given) and to stderr (when
    // toStderr), one line each with its time to the millisecond, level and
    // category. log must outlive the handler: call uninstall() before it goes.
    static void install(RotatingLog *log, bool toStderr);
    static void uninstall();
    // Whether stderr is a terminal someone watches, where messages also go.
    static bool stderrIsTerminal();
    // "2026-12-07 02:00:13.042 W rozivoda.scan: text"
    static QString formatLine(QtMsgType type, const char *category, const QString &message);

private:
    bool ensureOpen();
    void rotate();
    QString numbered(int index) const;

    QMutex m_mutex;
    QString m_path;
    qint64 m_maxBytes;
    int m_files;
    QFile m_file;
    QElapsedTimer m_sinceFailure;
};
