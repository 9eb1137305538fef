#include "dictionary/textfold.h"

#include <QChar>

namespace volmira::textfold {

namespace {

// Code points given to bytes that do not start a valid UTF-8 sequence: the lone low surrogates
// U+DC80..U+DCFF, which valid UTF-8 never decodes to, so such bytes compare equal only to themselves.
constexpr char32_t invalidByte(unsigned char byte) { return 0xDC00u + byte; }

// Decodes one code point at p and advances p; never reads at or past end.
inline char32_t decode(const unsigned char*& p, const unsigned char* end) noexcept
{
    const unsigned char lead = *p++;
    if (lead < 0x80)
        return lead;
    int extra;
    char32_t cp;
    if (lead >= 0xF8 || lead < 0xC2) {
        return invalidByte(lead);
    } else if (lead >= 0xF0) {
        extra = 3;
        cp = lead & 0x07;
    } else if (lead >= 0xE0) {
        extra = 2;
        cp = lead & 0x0F;
    } else {
        extra = 1;
        cp = lead & 0x1F;
    }
    if (end - p < extra)
        return invalidByte(lead);
    for (int i = 0; i < extra; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return invalidByte(lead);
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return invalidByte(lead);
    p += extra;
    return cp;
}

inline char32_t fold(char32_t cp) noexcept
{
    if (cp < 0x80)
        return (cp >= 'A' && cp <= 'Z') ? cp + ('a' - 'A') : cp;
    return QChar::toCaseFolded(cp);
}

inline const unsigned char* bytes(std::string_view text) noexcept
{
    return reinterpret_cast<const unsigned char*>(text.data());
}

}  // namespace

int compare(std::string_view a, std::string_view b) noexcept
{
    const unsigned char* p = bytes(a);
    const unsigned char* pEnd = p + a.size();
    const unsigned char* q = bytes(b);
    const unsigned char* qEnd = q + b.size();
    while (p < pEnd && q < qEnd) {
        char32_t x, y;
        if (*p < 0x80 && *q < 0x80) {
            x = fold(*p++);
            y = fold(*q++);
        } else {
            x = fold(decode(p, pEnd));
            y = fold(decode(q, qEnd));
        }
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (p < pEnd)
        return 1;
    if (q < qEnd)
        return -1;
    return 0;
}

std::vector<char32_t> foldedCodePoints(std::string_view text)
{
    std::vector<char32_t> result;
    result.reserve(text.size());
    const unsigned char* p = bytes(text);
    const unsigned char* end = p + text.size();
    while (p < end)
        result.push_back(fold(decode(p, end)));
    return result;
}

long long find(std::string_view text, const std::vector<char32_t>& foldedNeedle) noexcept
{
    if (text.empty())
        return 0;
    if (foldedNeedle.empty())
        return 1;
    const unsigned char* p = bytes(text);
    const unsigned char* end = p + text.size();
    const char32_t first = foldedNeedle.front();
    long long position = 1;  // in UTF-16 units
    while (p < end) {
        const char32_t cp = decode(p, end);
        if (fold(cp) == first) {
            const unsigned char* q = p;
            size_t matched = 1;
            while (matched < foldedNeedle.size() && q < end && fold(decode(q, end)) == foldedNeedle[matched])
                ++matched;
            if (matched == foldedNeedle.size())
                return position;
        }
        position += cp > 0xFFFF ? 2 : 1;
    }
    return 0;
}

}  // namespace volmira::textfold
