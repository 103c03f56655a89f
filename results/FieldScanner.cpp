#include "FieldScanner.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace FieldScanner {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isSeparator(char c)
{
    return c == ',' || c == '\r' || c == '\n';
}

const char *findSeparator(const char *from, const char *end)
{
    if constexpr (std::endian::native == std::endian::little) {
        // Eight bytes at a time: a byte equal to a separator becomes a zero byte
        // in one of three XORs, and (v - ones) & ~v & highs marks the first
        // zero byte of v exactly (only bits above it can be false marks).
        constexpr std::uint64_t kOnes = 0x0101010101010101;
        constexpr std::uint64_t kHighs = 0x8080808080808080;
        auto zeroBytes = [](std::uint64_t v) {
            return (v - kOnes) & ~v & kHighs;
        };
        while (end - from >= 8) {
            std::uint64_t word;
            std::memcpy(&word, from, sizeof word);
            const std::uint64_t hits = zeroBytes(word ^ (kOnes * ','))
                | zeroBytes(word ^ (kOnes * '\r')) | zeroBytes(word ^ (kOnes * '\n'));
            if (hits != 0)
                return from + std::countr_zero(hits) / 8;
            from += 8;
        }
    }
    while (from != end && !isSeparator(*from))
        ++from;
    return from;
}

// Steps over the separator at p. CR LF is one line end; a CR at the end of the
// bytes at hand needs the next byte to tell.
Result skipSeparator(const char *p, const char *end, bool atEnd, const char **next)
{
    if (p == end) {
        if (!atEnd)
            return Result::NeedMore;
        *next = end;
        return Result::Field;
    }
    if (*p == '\r') {
        if (p + 1 == end && !atEnd)
            return Result::NeedMore;
        *next = (p + 1 != end && p[1] == '\n') ? p + 2 : p + 1;
        return Result::Field;
    }
    *next = p + 1;
    return Result::Field;
}

Result fieldStart(const char **position, const char *end, bool atEnd, const char **start)
{
    const char *p = *position;
    while (p != end && isBlank(*p))
        ++p;
    if (p == end)
        return atEnd ? Result::EndOfData : Result::NeedMore;
    *start = p;
    return Result::Field;
}

} // namespace

Result stringField(const char **position, const char *end, bool atEnd, Span *text)
{
    const char *p = nullptr;
    if (const Result r = fieldStart(position, end, atEnd, &p); r != Result::Field)
        return r;
    if (*p == '"') {
        const auto *close
            = static_cast<const char *>(std::memchr(p + 1, '"', std::size_t(end - p - 1)));
        if (!close) {
            if (!atEnd)
                return Result::NeedMore;
            *text = { p + 1, end };
            *position = end;
            return Result::Field;
        }
        const Result r = skipSeparator(findSeparator(close + 1, end), end, atEnd, position);
        if (r == Result::Field)
            *text = { p + 1, close };
        return r;
    }
    const char *separator = findSeparator(p, end);
    const Result r = skipSeparator(separator, end, atEnd, position);
    if (r != Result::Field)
        return r;
    const char *last = separator;
    while (last != p && isBlank(last[-1]))
        --last;
    *text = { p, last };
    return r;
}

Result numberField(const char **position, const char *end, bool atEnd, Span *text)
{
    const char *p = nullptr;
    if (const Result r = fieldStart(position, end, atEnd, &p); r != Result::Field)
        return r;
    const char *separator = findSeparator(p, end);
    const Result r = skipSeparator(separator, end, atEnd, position);
    if (r == Result::Field)
        *text = { p, separator };
    return r;
}

} // namespace FieldScanner
