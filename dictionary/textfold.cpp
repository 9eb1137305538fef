#include "dictionary/textfold.h"

#include <QChar>

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// ASCII letters folded to lower case; other bytes unchanged.
constexpr struct AsciiFold {
    unsigned char table[256];
    constexpr AsciiFold() : table()
    {
        for (int i = 0; i < 256; ++i)
            table[i] = static_cast<unsigned char>(i >= 'A' && i <= 'Z' ? i + ('a' - 'A') : i);
    }
    constexpr unsigned char operator[](unsigned char c) const { return table[c]; }
} asciiFold;

// The place of each ASCII character in the sort order, letters folded: controls, blank and punctuation
// first, then digits, then letters, as Jet sorts "A_1" before "A1" before "AB". A bijection on folded
// ASCII, so texts still sort as equal exactly when they are equal ignoring case.
constexpr struct AsciiOrder {
    unsigned char table[128];
    constexpr AsciiOrder() : table()
    {
        int next = 0;
        auto isDigit = [](int c) { return c >= '0' && c <= '9'; };
        auto isLetter = [](int c) { return c >= 'a' && c <= 'z'; };
        for (int c = 0; c < 128; ++c)
            if (!isDigit(c) && !isLetter(c) && !(c >= 'A' && c <= 'Z'))
                table[c] = static_cast<unsigned char>(next++);
        for (int c = '0'; c <= '9'; ++c)
            table[c] = static_cast<unsigned char>(next++);
        for (int c = 'a'; c <= 'z'; ++c)
            table[c] = table[c - 'a' + 'A'] = static_cast<unsigned char>(next++);
    }
    constexpr unsigned char operator[](unsigned char c) const { return table[c]; }
} asciiOrder;

// Characters beyond ASCII sort after it, in the order of their folded code points.
inline char32_t sortWeight(char32_t folded) noexcept
{
    return folded < 0x80 ? asciiOrder[static_cast<unsigned char>(folded)] : folded;
}

inline const unsigned char* bytes(std::string_view text) noexcept
{
    return reinterpret_cast<const unsigned char*>(text.data());
}

}  // namespace

int compare(std::string_view a, std::string_view b) noexcept
{
    // Identical leading bytes are identical characters: skip them, then step back to the start of the
    // character in which the texts first differ.
    size_t same = 0;
    const size_t shorter = std::min(a.size(), b.size());
    while (same < shorter && a[same] == b[same])
        ++same;
    auto continues = [](std::string_view text, size_t at) {
        return at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80;
    };
    while (same > 0 && (continues(a, same) || continues(b, same)))
        --same;
    const unsigned char* p = bytes(a) + same;
    const unsigned char* pEnd = bytes(a) + a.size();
    const unsigned char* q = bytes(b) + same;
    const unsigned char* qEnd = bytes(b) + b.size();
    while (p < pEnd && q < qEnd) {
        char32_t x, y;
        if (*p < 0x80 && *q < 0x80) {
            x = asciiOrder[*p++];
            y = asciiOrder[*q++];
        } else {
            x = sortWeight(fold(decode(p, pEnd)));
            y = sortWeight(fold(decode(q, qEnd)));
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

std::string foldedUtf8(std::string_view text)
{
    std::string result;
    appendFolded(result, text);
    return result;
}

namespace {

// Where the run of ASCII bytes that starts at p ends.
inline const unsigned char* asciiRunEnd(const unsigned char* p, const unsigned char* end) noexcept
{
#if defined(__SSE2__)
    for (; end - p >= 16; p += 16) {
        const int high = _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
        if (high != 0)
            return p + __builtin_ctz(unsigned(high));
    }
#endif
    while (p < end && *p < 0x80)
        ++p;
    return p;
}

// Folds ASCII text in place: its capital letters become small ones.
inline void foldAscii(char* text, size_t length) noexcept
{
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i beforeA = _mm_set1_epi8('A' - 1);
    const __m128i afterZ = _mm_set1_epi8('Z' + 1);
    const __m128i caseBit = _mm_set1_epi8(0x20);
    for (; i + 16 <= length; i += 16) {
        __m128i* at = reinterpret_cast<__m128i*>(text + i);
        const __m128i c = _mm_loadu_si128(at);
        // ASCII bytes compare the same signed or not.
        const __m128i capital = _mm_and_si128(_mm_cmpgt_epi8(c, beforeA), _mm_cmplt_epi8(c, afterZ));
        _mm_storeu_si128(at, _mm_add_epi8(c, _mm_and_si128(capital, caseBit)));
    }
#endif
    for (; i < length; ++i)
        text[i] = char(asciiFold[static_cast<unsigned char>(text[i])]);
}

// The UTF-8 bytes of a code point; returns their number.
inline size_t encode(char32_t cp, char* out) noexcept
{
    if (cp < 0x80) {
        out[0] = char(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = char(0xC0 | (cp >> 6));
        out[1] = char(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = char(0xE0 | (cp >> 12));
        out[1] = char(0x80 | ((cp >> 6) & 0x3F));
        out[2] = char(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = char(0xF0 | (cp >> 18));
    out[1] = char(0x80 | ((cp >> 12) & 0x3F));
    out[2] = char(0x80 | ((cp >> 6) & 0x3F));
    out[3] = char(0x80 | (cp & 0x3F));
    return 4;
}

}  // namespace

void appendFolded(std::string& result, std::string_view text)
{
    // Dictionary text is mostly ASCII: its runs are copied and folded many bytes at a time, and only
    // the characters beyond it are decoded one by one. A byte that starts no valid sequence becomes its
    // stand-in U+DCxx.
    const unsigned char* p = bytes(text);
    const unsigned char* end = p + text.size();
    while (p < end) {
        const unsigned char* run = p;
        p = asciiRunEnd(p, end);
        if (p != run) {
            const size_t at = result.size();
            result.append(reinterpret_cast<const char*>(run), size_t(p - run));
            foldAscii(result.data() + at, size_t(p - run));
        }
        if (p == end)
            break;
        char utf8[4];
        result.append(utf8, encode(fold(decode(p, end)), utf8));
    }
}

namespace {

// Whether the folded needle occurs at p.
bool matchesAt(const unsigned char* p, const unsigned char* end, const std::vector<char32_t>& foldedNeedle) noexcept
{
    for (const char32_t wanted : foldedNeedle) {
        if (p >= end || fold(decode(p, end)) != wanted)
            return false;
    }
    return true;
}

// The 1-based UTF-16 position of the character starting at byte offset `at`.
long long utf16Position(const unsigned char* text, size_t at) noexcept
{
    long long units = 1;
    for (size_t i = 0; i < at; ++i) {
        if ((text[i] & 0xC0) != 0x80)
            ++units;
        if (text[i] >= 0xF0 && text[i] < 0xF8)
            ++units;  // outside the BMP: a surrogate pair
    }
    return units;
}

long long findByDecoding(const unsigned char* p, const unsigned char* end,
                         const std::vector<char32_t>& foldedNeedle) noexcept
{
    const unsigned char* begin = p;
    const char32_t first = foldedNeedle.front();
    while (p < end) {
        const unsigned char* start = p;
        if (fold(decode(p, end)) == first && matchesAt(start, end, foldedNeedle))
            return utf16Position(begin, size_t(start - begin));
    }
    return 0;
}

}  // namespace

long long find(std::string_view text, const std::vector<char32_t>& foldedNeedle) noexcept
{
    if (text.empty())
        return 0;
    if (foldedNeedle.empty())
        return 1;
    const unsigned char* begin = bytes(text);
    const unsigned char* end = begin + text.size();
    const char32_t first = foldedNeedle.front();
    if (first >= 0x80)
        return findByDecoding(begin, end, foldedNeedle);
    // An ASCII first character starts a match only at that byte in either case, except that the Kelvin
    // sign folds to 'k' and the long s to 's': for those, the first byte of their UTF-8 is a candidate too.
    const bool letter = first >= 'a' && first <= 'z';
    const unsigned char target = static_cast<unsigned char>(first);
    const unsigned char caseBit = letter ? 0x20 : 0x00;  // only 'A'..'Z' and 'a'..'z' give a letter when ORed with 0x20
    const unsigned char otherLead = first == 'k' ? 0xE2 : first == 's' ? 0xC5 : 0x00;  // U+212A, U+017F
    auto candidate = [&](unsigned char byte) {
        return (byte | caseBit) == target || (otherLead != 0 && byte == otherLead);
    };
    const size_t n = text.size();
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(char(target));
    const __m128i bit = _mm_set1_epi8(char(caseBit));
    const __m128i lead = _mm_set1_epi8(char(otherLead));
    // Two plain ASCII characters first: a match's second byte is then the next one, which halves the
    // candidates of frequent letters again.
    const char32_t second = foldedNeedle.size() > 1 ? foldedNeedle[1] : 0x80;
    if (otherLead == 0 && second < 0x80 && second != 'k' && second != 's') {
        const __m128i wantedNext = _mm_set1_epi8(char(second));
        const __m128i bitNext = _mm_set1_epi8(char(second >= 'a' && second <= 'z' ? 0x20 : 0x00));
        for (; i + 17 <= n; i += 16) {
            const __m128i raw = _mm_loadu_si128(reinterpret_cast<const __m128i*>(begin + i));
            const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(begin + i + 1));
            unsigned mask =
                unsigned(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(raw, bit), wanted),
                                                         _mm_cmpeq_epi8(_mm_or_si128(next, bitNext), wantedNext))));
            while (mask) {
                const size_t at = i + size_t(__builtin_ctz(mask));
                if (matchesAt(begin + at, end, foldedNeedle))
                    return utf16Position(begin, at);
                mask &= mask - 1;
            }
        }
    }
    for (; i + 16 <= n; i += 16) {
        const __m128i raw = _mm_loadu_si128(reinterpret_cast<const __m128i*>(begin + i));
        __m128i hits = _mm_cmpeq_epi8(_mm_or_si128(raw, bit), wanted);
        if (otherLead != 0)
            hits = _mm_or_si128(hits, _mm_cmpeq_epi8(raw, lead));
        unsigned mask = unsigned(_mm_movemask_epi8(hits));
        while (mask) {
            const size_t at = i + size_t(__builtin_ctz(mask));
            if (matchesAt(begin + at, end, foldedNeedle))
                return utf16Position(begin, at);
            mask &= mask - 1;
        }
    }
#endif
    for (; i < n; ++i) {
        if (candidate(begin[i]) && matchesAt(begin + i, end, foldedNeedle))
            return utf16Position(begin, i);
    }
    return 0;
}

}  // namespace volmira::textfold
