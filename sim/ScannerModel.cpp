#include "ScannerModel.h"

#include <algorithm>
#include <cmath>

namespace {

// Readings in units of 1/10000, so that the formula is exact in integers.
qint64 readingInTenThousandths(int channel, quint64 queryNumber)
{
    return qint64(channel) * 15000 - 70000 + qint64((queryNumber / 10) % 20) * 125;
}

QByteArray fixedText(qint64 tenThousandths)
{
    const qint64 magnitude = tenThousandths < 0 ? -tenThousandths : tenThousandths;
    QByteArray text = tenThousandths < 0 ? QByteArray("-") : QByteArray();
    text += QByteArray::number(magnitude / 10000);
    text += '.';
    text += QByteArray::number(magnitude % 10000).rightJustified(4, '0');
    return text;
}

} // namespace

QString ScannerModel::valueText(int channel, quint64 queryNumber)
{
    QByteArray text = fixedText(readingInTenThousandths(channel, queryNumber));
    while (text.endsWith('0'))
        text.chop(1);
    if (text.endsWith('.'))
        text.chop(1);
    if (text == "-0")
        text = "0";
    return QString::fromLatin1(text);
}

QByteArray ScannerModel::replyText(int channel, quint64 queryNumber)
{
    return replyFor(readingInTenThousandths(channel, queryNumber));
}

QByteArray ScannerModel::replyFor(qint64 tenThousandths)
{
    return fixedText(tenThousandths).rightJustified(kValueFieldWidth, ' ') + ','
        + unitText().leftJustified(kUnitFieldWidth, ' ') + "\n\r";
}

bool ScannerModel::settles() const
{
    return m_options.settleTime.count() > 0 || !m_options.channelSettle.isEmpty();
}

std::chrono::milliseconds ScannerModel::now() const
{
    if (m_options.clock)
        return m_options.clock();
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

double ScannerModel::sensedOffset() const
{
    const auto tau = m_options.channelSettle.value(m_channel, m_options.settleTime);
    if (tau.count() <= 0 || m_offset == 0)
        return 0;
    const double elapsed = double((now() - m_selectedAt).count());
    return m_offset * std::exp(-std::max(0.0, elapsed) / double(tau.count()));
}

void ScannerModel::select(int channel)
{
    if (settles()) {
        const quint64 number = valueQuery(m_queries);
        const double sensed = double(readingInTenThousandths(m_channel, number)) + sensedOffset();
        m_offset = sensed - double(readingInTenThousandths(channel, number));
        m_selectedAt = now();
    }
    m_channel = channel;
}

QList<ScannerModel::Action> ScannerModel::receive(const QByteArray &bytes)
{
    m_wireLog += bytes;
    if (m_closed)
        return {};
    m_pending += bytes;
    QList<Action> actions;
    qsizetype end;
    while (!m_closed && (end = m_pending.indexOf("\r\n")) >= 0) {
        const QByteArray line = m_pending.left(end);
        m_pending.remove(0, end + 2);
        actions += handleLine(line);
    }
    return actions;
}

QList<ScannerModel::Action> ScannerModel::handleLine(const QByteArray &line)
{
    if (line == "?R")
        return answerQuery();
    if (line.size() >= 2 && line.size() <= 3 && line.startsWith('V')) {
        const QByteArray digits = line.mid(1);
        const bool allDigits = std::all_of(digits.begin(), digits.end(),
                                           [](char c) { return c >= '0' && c <= '9'; });
        const int channel = digits.toInt();
        if (allDigits && channel < kChannelCount)
            select(channel);
    }
    return {};
}

QList<ScannerModel::Action> ScannerModel::answerQuery()
{
    const quint64 queryNumber = m_queries++;
    if (m_options.closeAfterQueries > 0 && queryNumber >= quint64(m_options.closeAfterQueries)) {
        m_closed = true;
        Action close;
        close.closeLine = true;
        return { close };
    }

    const ReplyFault fault = m_options.queryFaults.value(
        queryNumber, m_options.channelFaults.value(m_channel, m_options.fault));
    if (fault == ReplyFault::Silent)
        return {};
    const qint64 value = readingInTenThousandths(m_channel, valueQuery(queryNumber))
        + std::llround(settles() ? sensedOffset() : 0.0);
    const QByteArray reply
        = fault == ReplyFault::None ? replyFor(value) : faultyReply(fault, queryNumber);

    // Pieces of about equal size; never more pieces than bytes.
    const qsizetype pieces = std::clamp<qsizetype>(m_options.pieces, 1, reply.size());
    const std::chrono::milliseconds delay
        = m_options.queryDelays.value(queryNumber, m_options.replyDelay);
    QList<Action> actions;
    qsizetype from = 0;
    for (qsizetype i = 0; i < pieces; ++i) {
        const qsizetype to = reply.size() * (i + 1) / pieces;
        Action piece;
        piece.after = delay + i * m_options.pieceGap;
        piece.bytes = reply.mid(from, to - from);
        actions += piece;
        from = to;
    }
    return actions;
}

QByteArray ScannerModel::faultyReply(ReplyFault fault, quint64 queryNumber) const
{
    const QByteArray good = replyText(m_channel, queryNumber);
    switch (fault) {
    case ReplyFault::NoComma:
        return good.left(kValueFieldWidth) + "\n\r";
    case ReplyFault::EarlyComma:
        return good.mid(kValueFieldWidth - 4);
    case ReplyFault::Garbage: {
        // Bytes a noisy line might deliver: NUL, bytes that are no code page
        // 949 text, a stray CR LF and a comma in the middle.
        QByteArray noise("\x00\xff\x80\xfe\x01\r\n\xc8,\x7f", 10);
        noise += char(0xa0 + queryNumber % 16);
        return noise + "\n\r";
    }
    case ReplyFault::Cut:
        return good.left(good.size() / 2);
    case ReplyFault::Endless:
        return QByteArray(1 << 20, 'X');
    case ReplyFault::None:
    case ReplyFault::Silent:
        break;
    }
    return good;
}
