#include "ProgressPrinter.h"

#include <QStringList>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <io.h>
#endif

using namespace Qt::StringLiterals;

bool isTerminal(std::FILE *stream)
{
#if defined(Q_OS_UNIX)
    return ::isatty(::fileno(stream)) == 1;
#elif defined(Q_OS_WIN)
    return ::_isatty(::_fileno(stream)) != 0;
#else
    Q_UNUSED(stream);
    return false;
#endif
}

namespace {

QString clockText(std::chrono::milliseconds time)
{
    const qint64 total = time.count() / 1000;
    const qint64 days = total / 86400;
    const QString hms = u"%1:%2:%3"_s.arg((total / 3600) % 24, 2, 10, QLatin1Char('0'))
                            .arg((total / 60) % 60, 2, 10, QLatin1Char('0'))
                            .arg(total % 60, 2, 10, QLatin1Char('0'));
    return days > 0 ? u"%1d %2"_s.arg(days).arg(hms) : hms;
}

} // namespace

ProgressPrinter::ProgressPrinter(std::FILE *stream, bool inPlace)
    : m_stream(stream), m_inPlace(inPlace)
{ }

QString ProgressPrinter::progressText(const ScanRun::Progress &progress)
{
    QString text = u"pass %1"_s.arg(progress.passes);
    if (progress.passLimit > 0)
        text += u"/%1"_s.arg(progress.passLimit);
    text += u"  rows %1  %2"_s.arg(progress.rows).arg(clockText(progress.elapsed));
    if (progress.duration.count() > 0)
        text += u"/"_s + clockText(progress.duration);
    if (progress.zeroing)
        text += u"  zeroing"_s;
    if (progress.scannerSilent)
        text += u"  scanner silent"_s;
    if (!progress.failingChannels.isEmpty()) {
        QStringList channels;
        for (int channel : progress.failingChannels)
            channels << QString::number(channel);
        text += u"  failing: "_s + channels.join(u", "_s);
    }
    return text;
}

void ProgressPrinter::write(const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), m_stream);
    std::fflush(m_stream);
}

void ProgressPrinter::show(const ScanRun::Progress &progress)
{
    const QString text = progressText(progress);
    if (m_inPlace) {
        // Blanks wipe what a longer earlier line left behind.
        const qsizetype pad = std::max<qsizetype>(0, m_shownLength - text.size());
        write(u"\r"_s + text + QString(pad, QLatin1Char(' ')));
        m_shownLength = text.size();
        return;
    }
    const bool newPass = progress.passes != m_lastPasses;
    if (!newPass || progress.elapsed - m_lastPlainLine < kPlainLineInterval)
        return;
    m_lastPasses = progress.passes;
    m_lastPlainLine = progress.elapsed;
    write(text + u"\n"_s);
}

void ProgressPrinter::line(const QString &text)
{
    if (m_shownLength > 0) {
        write(u"\n"_s);
        m_shownLength = 0;
    }
    write(text + u"\n"_s);
}
