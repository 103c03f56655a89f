#include "FieldDecoder.h"

#include "ResultFileFormat.h"

#include <cstring>

bool FieldDecoder::isAscii(const char *begin, const char *end)
{
    for (const char *p = begin; p != end; ++p) {
        if (static_cast<unsigned char>(*p) >= 0x80)
            return false;
    }
    return true;
}

bool FieldDecoder::isValidUtf8(const char *begin, const char *end)
{
    const auto *p = reinterpret_cast<const unsigned char *>(begin);
    const auto *last = reinterpret_cast<const unsigned char *>(end);
    while (p != last) {
        const unsigned char lead = *p;
        if (lead < 0x80) {
            ++p;
            continue;
        }
        int follow = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            follow = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            follow = 2;
            low = lead == 0xE0 ? 0xA0 : 0x80; // no overlong forms
            high = lead == 0xED ? 0x9F : 0xBF; // no surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            follow = 3;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF; // nothing above U+10FFFF
        } else {
            return false;
        }
        ++p;
        for (int i = 0; i < follow; ++i, ++p) {
            if (p == last)
                return false;
            if (*p < low || *p > high)
                return false;
            low = 0x80;
            high = 0xBF;
        }
    }
    return true;
}

qsizetype FieldDecoder::examineStart(const char *begin, const char *end)
{
    m_encoding = Encoding::Undecided;
    static constexpr char kBom[] = "\xEF\xBB\xBF";
    if (end - begin >= 3 && std::memcmp(begin, kBom, 3) == 0) {
        m_encoding = Encoding::Utf8;
        return 3;
    }
    return 0;
}

QString FieldDecoder::decodeCodePage(const char *begin, const char *end)
{
    if (!m_codePage)
        m_codePage.emplace(ResultFileFormat::kCodePage);
    m_codePage->resetState();
    return m_codePage->decode(QByteArrayView(begin, end - begin));
}

QString FieldDecoder::decode(const char *begin, const char *end)
{
    if (isAscii(begin, end))
        return QString::fromLatin1(begin, end - begin);
    const bool utf8 = isValidUtf8(begin, end);
    if (m_encoding == Encoding::Undecided)
        m_encoding = utf8 ? Encoding::Utf8 : Encoding::CodePage949;
    if (m_encoding == Encoding::Utf8 && utf8)
        return QString::fromUtf8(begin, end - begin);
    return decodeCodePage(begin, end);
}
