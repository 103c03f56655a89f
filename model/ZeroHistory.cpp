#include "ZeroHistory.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

QString ZeroSet::offsetsText() const
{
    QStringList parts;
    for (auto it = offsets.cbegin(); it != offsets.cend(); ++it)
        parts += QString::number(it.key()) + u'=' + it.value().toText();
    return parts.join(u';');
}

bool ZeroSet::setOffsetsText(const QString &text)
{
    QMap<int, DecimalValue> read;
    for (const QString &part : text.split(u';', Qt::SkipEmptyParts)) {
        const qsizetype equals = part.indexOf(u'=');
        bool ok = false;
        const int channel = part.left(equals).toInt(&ok);
        const auto offset = DecimalValue::fromText(QStringView(part).mid(equals + 1));
        if (equals < 0 || !ok || !offset)
            return false;
        read.insert(channel, *offset);
    }
    offsets = read;
    return true;
}

void ZeroHistory::add(const ZeroSet &set)
{
    // A set that starts no later than the last one replaces it from there on.
    while (!m_sets.isEmpty() && m_sets.last().firstPass >= set.firstPass)
        m_sets.removeLast();
    m_sets += set;
}

const ZeroSet *ZeroHistory::forPass(int pass) const
{
    for (qsizetype i = m_sets.size() - 1; i >= 0; --i) {
        if (m_sets[i].firstPass <= pass)
            return m_sets[i].isClear() ? nullptr : &m_sets[i];
    }
    return nullptr;
}

const ZeroSet *ZeroHistory::active() const
{
    return m_sets.isEmpty() || m_sets.last().isClear() ? nullptr : &m_sets.last();
}

QString ZeroHistory::zeroed(int pass, int channel, const QString &text, const QString &unit) const
{
    const ZeroSet *set = forPass(pass);
    return set ? zeroedBy(*set, channel, text, unit) : text;
}

QString ZeroHistory::zeroedBy(const ZeroSet &set, int channel, const QString &text,
                              const QString &unit)
{
    const auto offset = set.offsets.constFind(channel);
    if (offset == set.offsets.cend()
        || (!unit.isEmpty() && !set.unit.isEmpty() && unit != set.unit))
        return text;
    const auto value = DecimalValue::fromText(text);
    const auto difference = value ? value->minus(*offset) : std::nullopt;
    return difference ? difference->toText() : text;
}

double ZeroHistory::offsetValue(int pass, int channel) const
{
    const ZeroSet *set = forPass(pass);
    if (!set)
        return 0;
    const auto offset = set->offsets.constFind(channel);
    return offset == set->offsets.cend() ? 0 : offset->toDouble();
}

QString ZeroHistory::markText(const ZeroSet &set)
{
    return QCoreApplication::translate("ZeroHistory", "zeroed at %1")
        .arg(set.takenAt.toLocalTime().toString(u"HH:mm"_s));
}
