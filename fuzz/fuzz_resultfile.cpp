#include "ResultFileReader.h"
#include "ResultFileWriter.h"
#include "ResultTable.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>

// Feeds arbitrary bytes to the result file reader, once whole and once in tiny
// pieces; both must give the same table, and a loaded table must save.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes
        = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    ResultTable whole;
    ResultTable pieces;
    ResultFileReader::Outcome outcomes[2] = {};
    ResultTable *tables[2] = { &whole, &pieces };
    for (int i = 0; i < 2; ++i) {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        ResultFileReader reader(*tables[i]);
        reader.setPieceSize(i == 0 ? 1 << 20 : 16);
        outcomes[i] = reader.read(&buffer);
    }
    if (outcomes[0] != outcomes[1] || whole.rows() != pieces.rows()
        || whole.cols() != pieces.cols())
        std::abort();
    for (int r = 0; r < whole.rows(); ++r) {
        for (int c = 0; c < whole.cols(); ++c) {
            if (whole.text(r, c) != pieces.text(r, c))
                std::abort();
        }
    }
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    ResultFileWriter writer;
    writer.write(&out, whole);
    return 0;
}
