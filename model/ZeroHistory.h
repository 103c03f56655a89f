#pragma once

#include "DecimalValue.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>

// One zero of a scan: the mean of some passes taken with the reference
// pressure applied, one offset per channel, subtracted from the readings of
// the passes from firstPass on. A channel without an offset is shown as read.
// A set without offsets ends the zero before it (Clear Zero).
struct ZeroSet
{
    // UTC: when the last zero pass ended, or when the zero was cleared.
    QDateTime takenAt;
    // The passes averaged; 0 for a clear.
    int passes = 0;
    int firstPass = 1;
    QMap<int, DecimalValue> offsets;
    // The unit of the zero passes: a reading in another unit is shown as read.
    QString unit;

    bool isClear() const { return offsets.isEmpty(); }

    // "3=0.012;4=-0.001", the offsets as the record keeps them.
    QString offsetsText() const;
    // False where text is not of that form.
    bool setOffsetsText(const QString &text);
};

// The zeros of one scan in the order they were set: which one applies to a
// pass, and the zeroed text of a reading. Readings before the first zero and
// after a clear are shown as read.
class ZeroHistory
{
public:
    void add(const ZeroSet &set);
    void clear() { m_sets.clear(); }
    const QList<ZeroSet> &sets() const { return m_sets; }
    bool isEmpty() const { return m_sets.isEmpty(); }

    // The zero that applies to pass, nullptr for none.
    const ZeroSet *forPass(int pass) const;
    // The zero in force now (the last, unless cleared), nullptr for none.
    const ZeroSet *active() const;
    // The text of a reading of the pass minus its channel's offset, with the
    // decimals of the more precise of the two (see DecimalValue); the text as
    // it stands where no offset applies or it is no number.
    QString zeroed(int pass, int channel, const QString &text, const QString &unit = {}) const;
    // text minus the channel's offset in set; text as it stands where set has
    // none or it is no number.
    static QString zeroedBy(const ZeroSet &set, int channel, const QString &text,
                            const QString &unit = {});
    // The channel's offset for pass as a number, 0 where none applies.
    double offsetValue(int pass, int channel) const;

    // "zeroed at 14:02" (local time), the mark beside a zeroed value.
    static QString markText(const ZeroSet &set);

private:
    QList<ZeroSet> m_sets;
};
