#include "NumberText.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string_view>

namespace {

bool isIgnoredSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

double numberFromText(QStringView text, bool *inRange)
{
    if (inRange)
        *inRange = true;

    // Collect the characters of the number into an ASCII buffer; a longer
    // mantissa than the buffer holds adds nothing to a double's precision, but
    // its digits still count towards the magnitude.
    std::array<char, 400> buffer {};
    std::size_t length = 0;
    qsizetype droppedIntegerDigits = 0;
    auto append = [&](char c) {
        if (length < buffer.size() - 8) {
            buffer[length++] = c;
            return true;
        }
        return false;
    };

    enum class Stage { Sign, Integer, Fraction, ExponentMark, ExponentSign, ExponentDigits };
    Stage stage = Stage::Sign;
    bool mantissaDigits = false;
    std::size_t exponentStart = 0;
    for (QChar c : text) {
        if (isIgnoredSpace(c))
            continue;
        if (stage == Stage::Sign && (c == u'+' || c == u'-')) {
            if (c == u'-')
                append('-');
            stage = Stage::Integer;
            continue;
        }
        if (stage == Stage::Sign)
            stage = Stage::Integer;
        if (stage == Stage::Integer || stage == Stage::Fraction) {
            if (isDigit(c)) {
                mantissaDigits = true;
                if (!append(char(c.unicode())) && stage == Stage::Integer)
                    ++droppedIntegerDigits;
                continue;
            }
            if (c == u'.' && stage == Stage::Integer) {
                append('.');
                stage = Stage::Fraction;
                continue;
            }
            if ((c == u'E' || c == u'e') && mantissaDigits) {
                exponentStart = length;
                append('e');
                stage = Stage::ExponentSign;
                continue;
            }
            break;
        }
        if (stage == Stage::ExponentSign && (c == u'+' || c == u'-')) {
            append(char(c.unicode()));
            stage = Stage::ExponentMark;
            continue;
        }
        if ((stage == Stage::ExponentSign || stage == Stage::ExponentMark
             || stage == Stage::ExponentDigits)
            && isDigit(c)) {
            append(char(c.unicode()));
            stage = Stage::ExponentDigits;
            continue;
        }
        break;
    }
    if (!mantissaDigits)
        return 0.0;
    // An "E" without exponent digits is not part of the number.
    if (exponentStart > 0 && stage != Stage::ExponentDigits)
        length = exponentStart;

    double value = 0.0;
    const auto [end, error] = std::from_chars(buffer.data(), buffer.data() + length, value);
    Q_UNUSED(end);
    if (error == std::errc::result_out_of_range || droppedIntegerDigits > 0) {
        // Out of range is an underflow when the exponent is negative: the value
        // is then as good as 0. Anything else is too large for a double.
        const std::string_view all(buffer.data(), length);
        const auto mark = all.find('e');
        const bool underflow = droppedIntegerDigits == 0 && mark != std::string_view::npos
            && all.substr(mark + 1, 1) == "-";
        if (!underflow && inRange)
            *inRange = false;
        return 0.0;
    }
    return value;
}

bool wholeNumberFromText(QStringView text, double *value)
{
    const QByteArray ascii = text.trimmed().toLatin1();
    if (ascii.isEmpty())
        return false;
    const char *begin = ascii.constData();
    const char *end = begin + ascii.size();
    if (*begin == '+')
        ++begin;
    double parsed = 0.0;
    const auto [stop, error] = std::from_chars(begin, end, parsed);
    if (error != std::errc() || stop != end || !std::isfinite(parsed))
        return false;
    *value = parsed;
    return true;
}

QString shortestNumberText(double value)
{
    if (value == 0.0 || !std::isfinite(value))
        return QStringLiteral("0");
    std::array<char, 64> buffer {};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::general, 15);
    QString text = QString::fromLatin1(buffer.data(), result.ptr - buffer.data());
    text.replace(u'e', u'E');
    return text;
}

bool roundToInt16(double value, qint16 *result)
{
    if (!std::isfinite(value))
        return false;
    const double rounded = std::nearbyint(value); // default rounding: halves to even
    if (rounded < -32768.0 || rounded > 32767.0)
        return false;
    *result = static_cast<qint16>(rounded);
    return true;
}
