#include "ScannerProtocol.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Any bytes on the line must parse without fault, and the parse must keep its
// own rules: a value only with 11 characters before the comma, a unit of at
// most 7 characters without trailing spaces; and the test of a reply's shape,
// which decides what the link may take for a reading, keeps its own.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray buffer = QByteArray::fromRawData(reinterpret_cast<const char *>(data),
                                                      static_cast<qsizetype>(size));
    const ParsedReply reply = parseReply(buffer);
    if (reply.valueTaken == reply.value.isEmpty())
        std::abort();
    if (reply.unit.size() > 7 || reply.unit.endsWith(u' '))
        std::abort();
    if (!buffer.contains(',') && !reply.unit.isEmpty())
        std::abort();
    // Commas never come from a double-byte character's trail byte, so one in
    // the bytes means one in the text.
    if (reply.valueTaken && buffer.indexOf(',') >= 0 && buffer.indexOf(',') < 11)
        std::abort();
    isCompleteReply(buffer);
    // A line built like a reply has its value field, and no control byte
    // but a NUL from there on; its body is that field and what follows it.
    if (hasReplyShape(buffer)) {
        const QByteArray body = replyBody(buffer);
        if (body.size() < 11)
            std::abort();
        for (const char byte : body) {
            if (byte != '\0' && static_cast<unsigned char>(byte) < 0x20)
                std::abort();
        }
    }
    return 0;
}
