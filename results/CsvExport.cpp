#include "CsvExport.h"

#include "ResultTable.h"
#include "ZeroHistory.h"
#include "ZeroedTable.h"

#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace {

void appendField(QByteArray &line, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    if (utf8.contains(',') || utf8.contains('"') || utf8.contains('\n') || utf8.contains('\r')) {
        line += '"';
        line += QByteArray(utf8).replace("\"", "\"\"");
        line += '"';
    } else {
        line += utf8;
    }
}

// Always with the offset ("+09:00"), never "Z", so that a reader sees the
// local time and how it relates to UTC.
QString localTimeText(const QDateTime &time)
{
    if (!time.isValid())
        return {};
    const QDateTime local = time.toLocalTime();
    const int offset = local.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return local.toString(u"yyyy-MM-ddTHH:mm:ss.zzz"_s) + (offset < 0 ? u'-' : u'+')
        + u"%1:%2"_s.arg(minutes / 60, 2, 10, QChar(u'0')).arg(minutes % 60, 2, 10, QChar(u'0'));
}

} // namespace

bool writeCsv(const ResultTable &table, QIODevice &out, bool simulated, const ZeroHistory *zero)
{
    const int cols = table.cols();
    if (zero && zero->isEmpty())
        zero = nullptr;
    QByteArray chunk = "\xEF\xBB\xBFpass,time";
    std::vector<int> channels(std::size_t(std::max(cols, 0)), -1);
    for (int column = 1; column < cols - 1; ++column) {
        chunk += ',';
        const int channel = table.columnChannel(column);
        appendField(chunk,
                    channel >= 0 ? table.channelNames().label(channel) : table.text(0, column));
        channels[std::size_t(column)] = channel;
    }
    chunk += ",unit";
    if (simulated)
        chunk += ",scanner";
    chunk += zero ? ",zero\r\n" : "\r\n";
    for (int row = 1; row < table.rows(); ++row) {
        appendField(chunk, table.text(row, 0));
        chunk += ',';
        chunk += localTimeText(table.rowTime(row)).toLatin1();
        const int pass = zero ? passOfRow(table, row) : 0;
        const ZeroSet *set = zero ? zero->forPass(pass) : nullptr;
        for (int column = 1; column < cols; ++column) {
            chunk += ',';
            const QString text = table.text(row, column);
            const int channel = channels[std::size_t(column)];
            appendField(chunk,
                        set && channel >= 0 && !text.isEmpty()
                            ? zero->zeroed(pass, channel, text, table.text(row, cols - 1))
                            : text);
        }
        if (simulated)
            chunk += ",simulated";
        if (zero) {
            chunk += ',';
            if (set)
                appendField(chunk, u"zeroed at "_s + localTimeText(set->takenAt));
        }
        chunk += "\r\n";
        if (chunk.size() >= 1 << 16) {
            if (out.write(chunk) != chunk.size())
                return false;
            chunk.clear();
        }
    }
    return out.write(chunk) == chunk.size();
}

bool writeCsvFile(const QString &path, const ResultTable &table, QString *error, bool simulated,
                  const ZeroHistory *zero)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    // Written through a buffer: a full disk shows only at flush(), and
    // commit() would otherwise put a short file in place.
    if (!writeCsv(table, file, simulated, zero) || !file.flush()
        || file.error() != QFileDevice::NoError) {
        *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}
