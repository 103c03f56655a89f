#include "DecimalValue.h"

#include "NumberText.h"

#include <QList>
#include <QtNumeric>

#include <cstdlib>
#include <limits>

namespace {

bool timesTen(qint64 *value, int times)
{
    for (int i = 0; i < times; ++i) {
        if (qMulOverflow(*value, qint64(10), value))
            return false;
    }
    return true;
}

} // namespace

std::optional<DecimalValue> DecimalValue::fromText(QStringView text)
{
    text = text.trimmed();
    qsizetype at = 0;
    bool negative = false;
    if (at < text.size() && (text[at] == u'-' || text[at] == u'+'))
        negative = text[at++] == u'-';
    qint64 units = 0;
    int decimals = 0;
    int digits = 0;
    bool point = false;
    for (; at < text.size(); ++at) {
        const QChar c = text[at];
        if (c == u'.' && !point) {
            point = true;
        } else if (c.isDigit() && c.unicode() < 128) {
            if (qMulOverflow(units, qint64(10), &units)
                || qAddOverflow(units, qint64(c.unicode() - u'0'), &units))
                return std::nullopt;
            ++digits;
            if (point)
                ++decimals;
        } else {
            break;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (at < text.size()) {
        if (text[at] != u'E' && text[at] != u'e')
            return std::nullopt;
        bool ok = false;
        const int exponent = text.mid(at + 1).toInt(&ok);
        if (!ok || exponent < -kMaxDecimals || exponent > 18)
            return std::nullopt;
        if (exponent >= 0) {
            const int shift = std::min(exponent, decimals);
            decimals -= shift;
            if (!timesTen(&units, exponent - shift))
                return std::nullopt;
        } else {
            decimals -= exponent;
        }
    }
    // Trailing zeros of the fraction carry no value; a reading's text has none.
    while (decimals > 0 && units % 10 == 0) {
        units /= 10;
        --decimals;
    }
    if (decimals > kMaxDecimals)
        return std::nullopt;
    return DecimalValue { negative ? -units : units, decimals };
}

std::optional<DecimalValue> DecimalValue::withDecimals(int more) const
{
    DecimalValue result = *this;
    if (more < decimals || more > kMaxDecimals || !timesTen(&result.units, more - decimals))
        return std::nullopt;
    result.decimals = more;
    return result;
}

std::optional<DecimalValue> DecimalValue::mean(const QList<DecimalValue> &values)
{
    if (values.isEmpty())
        return std::nullopt;
    int decimals = 0;
    for (const DecimalValue &value : values)
        decimals = std::max(decimals, value.decimals);
    qint64 sum = 0;
    for (const DecimalValue &value : values) {
        const auto scaled = value.withDecimals(decimals);
        if (!scaled || qAddOverflow(sum, scaled->units, &sum))
            return std::nullopt;
    }
    const qint64 count = values.size();
    qint64 quotient = sum / count;
    const qint64 remainder = std::llabs(sum % count);
    if (remainder * 2 >= count)
        quotient += sum < 0 ? -1 : 1;
    return DecimalValue { quotient, decimals };
}

std::optional<DecimalValue> DecimalValue::minus(const DecimalValue &other) const
{
    const int common = std::max(decimals, other.decimals);
    const auto a = withDecimals(common);
    const auto b = other.withDecimals(common);
    qint64 difference = 0;
    if (!a || !b || qSubOverflow(a->units, b->units, &difference)
        || difference == std::numeric_limits<qint64>::min())
        return std::nullopt;
    return DecimalValue { difference, common };
}

double DecimalValue::toDouble() const
{
    // Both operands are exact doubles, so the quotient is the double nearest
    // the decimal; beyond 2^53 units through the text.
    static constexpr double kPowers[]
        = { 1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15 };
    if (std::llabs(units) < (qint64(1) << 53))
        return double(units) / kPowers[decimals];
    return toText().toDouble();
}

QString DecimalValue::toText() const
{
    if (units == 0)
        return QStringLiteral("0");
    QString digits = QString::number(std::llabs(units));
    if (decimals > 0) {
        if (digits.size() <= decimals)
            digits.prepend(QString(decimals - digits.size() + 1, u'0'));
        digits.insert(digits.size() - decimals, u'.');
        while (digits.endsWith(u'0'))
            digits.chop(1);
        if (digits.endsWith(u'.'))
            digits.chop(1);
    }
    if (units < 0)
        digits.prepend(u'-');
    // A reading's text is the shortest form with 15 digits at most; a
    // decimal of so many digits comes back from a double unchanged, so the
    // two forms only differ where the reading's form is the exponent one.
    return shortestNumberText(digits.toDouble());
}
