#include "WireLogPort.h"

#include "WireSample.h"

#include <QTime>

using namespace Qt::StringLiterals;

WireLogPort::WireLogPort(SerialPort &inner, Log sink, QObject *parent)
    : SerialPort(parent), m_inner(inner), m_log(std::move(sink))
{
    connect(&m_inner, &SerialPort::readyRead, this, &SerialPort::readyRead);
    connect(&m_inner, &SerialPort::lineFailed, this, [this](const QString &reason) {
        log(u"line failed: "_s + reason);
        Q_EMIT lineFailed(reason);
    });
}

QString WireLogPort::escaped(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\r')
            text += u"\\r"_s;
        else if (byte == '\n')
            text += u"\\n"_s;
        else if (byte == '\\')
            text += u"\\\\"_s;
        else if (byte >= 0x20 && byte < 0x7f)
            text += QLatin1Char(c);
        else
            text += u"\\x%1"_s.arg(uint(byte), 2, 16, QLatin1Char('0'));
    }
    return text;
}

void WireLogPort::log(const QString &what)
{
    m_log(QTime::currentTime().toString(u"hh:mm:ss.zzz"_s) + u" "_s + what);
}

bool WireLogPort::open()
{
    const bool opened = m_inner.open();
    log(opened ? u"opened "_s + device()
               : u"cannot open %1: %2"_s.arg(device(), m_inner.errorString()));
    return opened;
}

void WireLogPort::close()
{
    if (m_inner.isOpen())
        log(u"closed "_s + device());
    m_inner.close();
}

bool WireLogPort::write(const QByteArray &data)
{
    const bool written = m_inner.write(data);
    log(u"> "_s + escaped(data)
        + (written ? QString() : u"  (not sent: "_s + errorString() + u")"_s));
    return written;
}

QByteArray WireLogPort::readAll()
{
    const QByteArray bytes = m_inner.readAll();
    if (!bytes.isEmpty())
        log(u"< "_s + escaped(wireSample(bytes)));
    return bytes;
}
