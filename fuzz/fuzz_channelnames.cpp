#include "ChannelNames.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

namespace {

// What every way in promises: bounded texts without a control character or a
// direction override.
void checkClean(const ChannelNames &names)
{
    for (auto it = names.entries().cbegin(); it != names.entries().cend(); ++it) {
        if (it.key() < ChannelNames::kFirstChannel || it.key() > ChannelNames::kLastChannel
            || it->name.size() > ChannelNames::kMaxNameLength
            || it->note.size() > ChannelNames::kMaxNoteLength || it->isEmpty())
            std::abort();
        for (const QString &text : { it->name, it->note }) {
            for (QChar c : text) {
                if (c.unicode() < 0x20 || c.unicode() == 0x7f || c.unicode() == 0x202e
                    || c.unicode() == 0x2066)
                    std::abort();
            }
        }
    }
}

} // namespace

// Arbitrary bytes as a names file and as the record's text of a scan's names:
// never a crash, only clean names, and the record's text reads back as written.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes
        = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    QString error;
    if (const std::optional<ChannelNames> names = ChannelNames::fromCsv(bytes, &error)) {
        checkClean(*names);
        if (ChannelNames::fromJson(names->toJson()) != *names)
            std::abort();
    } else if (error.isEmpty()) {
        std::abort();
    }
    checkClean(ChannelNames::fromJson(QString::fromUtf8(bytes)));
    return 0;
}
