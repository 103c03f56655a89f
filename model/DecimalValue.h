#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// A decimal number held exactly, units / 10^decimals, for zero offsets: a
// reading, the mean of readings and their difference are computed without the
// rounding of binary floating point, so that 0.3 - 0.1 is 0.2, not
// 0.19999999999999998. Halves round away from zero, as on paper.
struct DecimalValue
{
    // More decimals than any reading of the scanner carries.
    static constexpr int kMaxDecimals = 15;

    qint64 units = 0;
    int decimals = 0;

    // Reads a reading's text as the table holds it ("12.34", "-0.5", "1E-05",
    // "1.5E+07"); nothing for text that is no number or does not fit.
    static std::optional<DecimalValue> fromText(QStringView text);
    // The same value with more decimals; nothing when it does not fit.
    std::optional<DecimalValue> withDecimals(int more) const;
    // The mean of values, rounded to the most decimals among them; nothing for
    // no values or where the sum does not fit.
    static std::optional<DecimalValue> mean(const QList<DecimalValue> &values);
    // this - other with the decimals of the more precise of the two.
    std::optional<DecimalValue> minus(const DecimalValue &other) const;

    double toDouble() const;
    // The text as readings are written in the table: shortest form, no trailing
    // zeros, exponent form only where a reading's text has it, and "0" for
    // every zero, never "-0".
    QString toText() const;

    friend bool operator==(const DecimalValue &a, const DecimalValue &b)
    {
        return a.units == b.units && a.decimals == b.decimals;
    }
};
