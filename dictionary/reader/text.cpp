#include "dictionary/reader/text.h"

#include "dictionary/reader/jettext.h"

#include <cstdint>
#include <vector>

namespace volmira::reader {

namespace {

constexpr std::size_t kMaxNameBytes = 255;

void putUtf8(std::uint32_t c, std::string& out)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes text into code points; an invalid sequence becomes U+FFFD.
std::vector<std::uint32_t> codePoints(const std::string& text)
{
    std::vector<std::uint32_t> points;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        int length = b < 0x80 ? 1 : b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
        std::uint32_t c = length == 1 ? b : length == 2 ? b & 0x1F : length == 3 ? b & 0x0F : b & 0x07;
        bool valid = length > 0 && i + length <= n;
        for (int k = 1; valid && k < length; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                valid = false;
            c = c << 6 | (p[i + k] & 0x3F);
        }
        if (valid && ((length == 3 && (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF))) || (length == 4 && (c < 0x10000 || c > 0x10FFFF))))
            valid = false;
        if (!valid) {
            points.push_back(0xFFFD);
            ++i;
            continue;
        }
        points.push_back(c);
        i += static_cast<std::size_t>(length);
    }
    return points;
}

// Simple case folding of the Latin-1, Latin Extended-A, Greek and Cyrillic capitals.
std::uint32_t folded(std::uint32_t c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2)
        || (c >= 0x410 && c <= 0x42F))
        return c + 32;
    if (c >= 0x400 && c <= 0x40F)
        return c + 80;
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x17F) {
        const bool evenUpper = (c < 0x139) || (c >= 0x14A && c < 0x178);
        if (evenUpper ? c % 2 == 0 : c % 2 == 1)
            return c + 1;
    }
    return c;
}

}  // namespace

std::size_t TextDecoder::capacity(std::size_t size) const
{
    return jet3_ ? CodePage::capacity(size) : jet4TextCapacity(size);
}

std::size_t TextDecoder::decode(const unsigned char* text, std::size_t size, char* out) const
{
    return jet3_ ? codePage_.decode(text, size, out) : decodeJet4Text(text, size, out);
}

std::string TextDecoder::name(const unsigned char* text, std::size_t size) const
{
    std::string name(capacity(size), '\0');
    name.resize(decode(text, size, name.data()));
    if (name.size() > kMaxNameBytes) {
        std::size_t cut = kMaxNameBytes;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name.resize(cut);
    }
    return name;
}

std::string validUtf8(const std::string& text)
{
    std::string valid;
    valid.reserve(text.size());
    for (std::uint32_t c : codePoints(text))
        putUtf8(c, valid);
    return valid;
}

std::string foldedName(const std::string& text)
{
    std::string key;
    key.reserve(text.size());
    for (std::uint32_t c : codePoints(text)) {
        if (c == 0xDF || c == 0x1E9E)  // sharp s folds to "ss"
            key += "ss";
        else
            putUtf8(folded(c), key);
    }
    return key;
}

}  // namespace volmira::reader
