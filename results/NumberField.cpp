#include "NumberField.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace NumberField {

namespace {

constexpr int kDigits = 7;
// Exponents beyond this saturate: any of them is far outside a float's range.
constexpr int kExponentLimit = 100000;
// The common short readings are formatted from their own digits when those
// survive the rounding to single precision; the powers of ten in this range are
// exact doubles.
constexpr int kFastExponentLimit = 22;

bool isIgnored(char c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

constexpr std::array<double, 2 * kFastExponentLimit + 17> makePowersOfTen()
{
    std::array<double, 2 * kFastExponentLimit + 17> powers {};
    const int zero = kFastExponentLimit + 8;
    double up = 1.0;
    double down = 1.0;
    for (int i = 0; i <= zero; ++i) {
        if (zero + i < int(powers.size()))
            powers[std::size_t(zero + i)] = up;
        powers[std::size_t(zero - i)] = 1.0 / down;
        up *= 10.0;
        down *= 10.0;
    }
    return powers;
}
constexpr auto kPowers = makePowersOfTen();
constexpr std::uint64_t kPowerOfTenInteger[] = { 1, 10, 100, 1000, 10000, 100000, 1000000 };

double powerOfTen(int exponent)
{
    return kPowers[std::size_t(exponent + kFastExponentLimit + 8)];
}

// The number as read: the mantissa text for from_chars, and the exact value
// M * 10^exponent when it has at most 19 significant digits.
struct Decimal
{
    bool found = false;
    bool negative = false;
    std::array<char, 400> mantissa; // only its first length bytes are set
    std::size_t length = 0;
    long exponent = 0; // from the "E" part, saturated
    long droppedIntegerDigits = 0; // beyond the mantissa text's room
    std::uint64_t significand = 0;
    int significandDigits = 0;
    long significandShift = 0; // powers of ten to apply to significand
    bool exact = true;
};

Decimal readDecimal(const char *begin, const char *end)
{
    Decimal d;
    enum class Stage { Sign, Integer, Fraction, ExponentSign, ExponentDigits };
    Stage stage = Stage::Sign;
    bool integerDigitWritten = false;
    bool exponentNegative = false;
    long exponent = 0;
    auto append = [&d](char c) {
        if (d.length < d.mantissa.size() - 1) {
            d.mantissa[d.length++] = c;
            return true;
        }
        return false;
    };
    auto ensureIntegerDigit = [&]() {
        if (!integerDigitWritten) {
            append('0');
            integerDigitWritten = true;
        }
    };
    for (const char *p = begin; p != end; ++p) {
        const char c = *p;
        if (isIgnored(c))
            continue;
        if (stage == Stage::Sign) {
            stage = Stage::Integer;
            if (c == '+' || c == '-') {
                d.negative = c == '-';
                continue;
            }
        }
        if (stage == Stage::Integer || stage == Stage::Fraction) {
            if (isDigit(c)) {
                d.found = true;
                const bool integer = stage == Stage::Integer;
                if (integer && c == '0' && !integerDigitWritten)
                    continue; // leading zeros add nothing
                if (append(c))
                    integerDigitWritten |= integer;
                else if (integer)
                    ++d.droppedIntegerDigits;
                if (d.significand == 0 && c == '0') {
                    d.significandShift -= integer ? 0 : 1;
                } else if (d.significandDigits < 19) {
                    d.significand = d.significand * 10 + std::uint64_t(c - '0');
                    ++d.significandDigits;
                    d.significandShift -= integer ? 0 : 1;
                } else {
                    d.significandShift += integer ? 1 : 0;
                    d.exact = d.exact && c == '0';
                }
                continue;
            }
            if (c == '.' && stage == Stage::Integer) {
                ensureIntegerDigit();
                append('.');
                stage = Stage::Fraction;
                continue;
            }
            if ((c == 'E' || c == 'e') && d.found) {
                stage = Stage::ExponentSign;
                continue;
            }
            break;
        }
        if (stage == Stage::ExponentSign && (c == '+' || c == '-')) {
            exponentNegative = c == '-';
            stage = Stage::ExponentDigits;
            continue;
        }
        if (isDigit(c)) {
            stage = Stage::ExponentDigits;
            exponent = std::min<long>(exponent * 10 + (c - '0'), kExponentLimit);
            continue;
        }
        break;
    }
    ensureIntegerDigit();
    // An "E" without digits is not part of the number; exponent is then 0.
    d.exponent = exponentNegative ? -exponent : exponent;
    return d;
}

std::size_t formatDigits(bool negative, const char *digits, int count, int leadExponent, char *out)
{
    char *p = out;
    if (negative)
        *p++ = '-';
    if (leadExponent < -4 || leadExponent >= kDigits) {
        *p++ = digits[0];
        if (count > 1) {
            *p++ = '.';
            for (int i = 1; i < count; ++i)
                *p++ = digits[i];
        }
        *p++ = 'E';
        *p++ = leadExponent < 0 ? '-' : '+';
        const int magnitude = std::abs(leadExponent);
        if (magnitude >= 100)
            *p++ = char('0' + magnitude / 100);
        *p++ = char('0' + magnitude / 10 % 10);
        *p++ = char('0' + magnitude % 10);
    } else if (leadExponent < 0) {
        *p++ = '0';
        *p++ = '.';
        for (int i = 0; i < -leadExponent - 1; ++i)
            *p++ = '0';
        for (int i = 0; i < count; ++i)
            *p++ = digits[i];
    } else {
        for (int i = 0; i <= leadExponent; ++i)
            *p++ = i < count ? digits[i] : '0';
        if (count > leadExponent + 1) {
            *p++ = '.';
            for (int i = leadExponent + 1; i < count; ++i)
                *p++ = digits[i];
        }
    }
    return std::size_t(p - out);
}

std::size_t formatZero(char *out)
{
    out[0] = '0';
    return 1;
}

// The text of a float: its 7 significant digits as printf's "%.6e" gives them.
std::size_t formatFloat(float value, char *out)
{
    if (value == 0.0f)
        return formatZero(out);
    std::array<char, 32> scientific {};
    const auto result = std::to_chars(scientific.data(), scientific.data() + scientific.size(),
                                      value, std::chars_format::scientific, kDigits - 1);
    std::array<char, kDigits> digits {};
    int count = 0;
    const char *p = scientific.data();
    const bool negative = *p == '-';
    if (negative)
        ++p;
    for (; p != result.ptr && *p != 'e'; ++p) {
        if (isDigit(*p) && count < kDigits)
            digits[std::size_t(count++)] = *p;
    }
    int exponent = 0;
    if (p != result.ptr)
        std::from_chars(p + (p[1] == '+' ? 2 : 1), result.ptr, exponent);
    while (count > 1 && digits[std::size_t(count - 1)] == '0')
        --count;
    return formatDigits(negative, digits.data(), count, exponent, out);
}

// Formats the number significand * 10^shift from its own digits when it has at
// most 7 of them and the float nearest to it still rounds back to them; false
// when the slow path must decide. text, when given, is already the written
// form of the number and is copied as it is.
bool formatFromDigits(bool negative, std::uint64_t significand, int count, long shift,
                      const char *text, std::size_t textLength, char *out, std::size_t *length)
{
    if (significand == 0) {
        *length = formatZero(out);
        return true;
    }
    while (significand % 10 == 0) {
        significand /= 10;
        ++shift;
        --count;
    }
    if (significand > 9999999 || shift < -kFastExponentLimit || shift > kFastExponentLimit)
        return false;
    // count is the number of digits when the caller knows it, else 0.
    if (count <= 0) {
        count = 1;
        while (count < kDigits && significand >= kPowerOfTenInteger[std::size_t(count)])
            ++count;
    }

    const int exponent = int(shift);
    // A product with a negative power is off by a unit in the last place, which
    // the margin below absorbs, except for a power of ten itself, whose float
    // may fall on either side: that one is divided exactly.
    const double exactValue = exponent >= 0 || significand != 1
        ? double(significand) * powerOfTen(exponent)
        : 1.0 / powerOfTen(-exponent);
    const double rounded = double(float(exactValue));
    const int leadExponent = count - 1 + exponent;
    // Half a step of the 7-digit grid at this magnitude, with a margin for ties;
    // just below a power of ten the grid is ten times finer.
    double tolerance = 0.49 * powerOfTen(leadExponent - (kDigits - 1));
    if (significand == 1 && rounded < exactValue)
        tolerance /= 10.0;
    if (std::abs(rounded - exactValue) >= tolerance)
        return false;
    if (text && leadExponent >= -4 && leadExponent < kDigits) {
        std::memcpy(out, text, textLength);
        *length = textLength;
        return true;
    }
    std::array<char, kDigits> digits;
    std::uint64_t rest = significand;
    for (int i = count - 1; i >= 0; --i, rest /= 10)
        digits[std::size_t(i)] = char('0' + rest % 10);
    *length = formatDigits(negative, digits.data(), count, leadExponent, out);
    return true;
}

// The common form of a reading, [-]digits[.digits] with at most 9 significant
// digits and nothing else, read in one pass; false for any other form.
bool formatPlain(const char *begin, const char *end, char *out, std::size_t *length)
{
    const char *p = begin;
    const bool negative = p != end && *p == '-';
    if (negative)
        ++p;
    std::uint64_t significand = 0;
    int digits = 0;
    auto take = [&](unsigned digit) {
        if (significand == 0 && digit == 0)
            return true;
        significand = significand * 10 + digit;
        return ++digits <= 9;
    };
    const char *integer = p;
    for (; p != end && static_cast<unsigned>(*p - '0') < 10; ++p) {
        if (!take(static_cast<unsigned>(*p - '0')))
            return false;
    }
    const char *integerEnd = p;
    long shift = 0;
    bool point = false;
    if (p != end && *p == '.') {
        point = true;
        for (++p; p != end && static_cast<unsigned>(*p - '0') < 10; ++p, --shift) {
            if (!take(static_cast<unsigned>(*p - '0')))
                return false;
        }
    }
    if (p != end || (integer == integerEnd && shift == 0))
        return false;
    // Already in the written form: "0" alone or no leading zero before the
    // mark, no trailing zero or bare mark after it, no "-0".
    const auto integerLength = integerEnd - integer;
    const bool written = significand != 0 && integerLength > 0
        && (*integer != '0' || integerLength == 1) && (!point || (shift < 0 && p[-1] != '0'));
    return formatFromDigits(negative, significand, digits, shift, written ? begin : nullptr,
                            std::size_t(end - begin), out, length);
}

} // namespace

Outcome formatNumber(const char *begin, const char *end, char *out, std::size_t *length)
{
    if (formatPlain(begin, end, out, length))
        return Outcome::Ok;
    const Decimal d = readDecimal(begin, end);
    if (!d.found) {
        *length = formatZero(out);
        return Outcome::Ok;
    }
    if (d.exact
        && formatFromDigits(d.negative, d.significand, 0, d.significandShift + d.exponent, nullptr,
                            0, out, length))
        return Outcome::Ok;

    std::array<char, 420> text;
    std::size_t size = 0;
    if (d.negative)
        text[size++] = '-';
    for (std::size_t i = 0; i < d.length; ++i)
        text[size++] = d.mantissa[i];
    const long exponent
        = std::clamp<long>(d.exponent + d.droppedIntegerDigits, -kExponentLimit, kExponentLimit);
    text[size++] = 'e';
    size = std::size_t(std::to_chars(text.data() + size, text.data() + text.size(), exponent).ptr
                       - text.data());

    float value = 0.0f;
    const auto [end1, error] = std::from_chars(text.data(), text.data() + size, value);
    (void)end1;
    if (error == std::errc::result_out_of_range) {
        // Too small for a float means as good as 0 (or a subnormal); too large
        // is an error for the caller to report.
        double wide = 0.0;
        const auto [end2, wideError] = std::from_chars(text.data(), text.data() + size, wide);
        (void)end2;
        if (wideError == std::errc::result_out_of_range)
            wide = exponent < 0 ? 0.0 : std::numeric_limits<double>::infinity();
        // Beyond FLT_MAX plus half its last step nothing rounds to a float.
        constexpr double kFloatLimit = 3.4028235677973366e38;
        if (!(std::abs(wide) < kFloatLimit))
            return Outcome::BeyondSinglePrecision;
        value = static_cast<float>(wide);
    } else if (error != std::errc()) {
        value = 0.0f;
    }
    *length = formatFloat(value, out);
    return Outcome::Ok;
}

bool isWrittenForm(const char *begin, const char *end)
{
    // At most 6 significant digits: a float keeps every decimal of that length,
    // and printing it with 7 digits gives a 0 in the 7th, which is dropped.
    constexpr int kShortDigits = 6;
    const char *p = begin;
    if (p != end && *p == '-')
        ++p;
    if (p == end || !isDigit(*p))
        return false;
    int significant = 0;
    int leadingFractionZeros = 0;
    const bool zeroInteger = *p == '0';
    if (zeroInteger) {
        ++p;
    } else {
        for (; p != end && isDigit(*p); ++p)
            ++significant;
    }
    if (p == end)
        return !(zeroInteger && *begin == '-') && significant <= kShortDigits;
    if (*p != '.' || ++p == end)
        return false;
    for (; p != end && isDigit(*p); ++p) {
        if (significant == 0 && zeroInteger && *p == '0')
            ++leadingFractionZeros;
        else
            ++significant;
    }
    // Nothing after the digits, no trailing zero, a value of at least 0.0001
    // (smaller ones are written in exponent form).
    return p == end && end[-1] != '0' && significant <= kShortDigits && leadingFractionZeros <= 3;
}

} // namespace NumberField
