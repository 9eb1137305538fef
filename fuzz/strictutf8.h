#pragma once

#include <cstddef>

// A strict UTF-8 check for the fuzzers: shortest forms only, no surrogates, nothing above U+10FFFF.
inline bool strictlyValidUtf8(const unsigned char* p, std::size_t n)
{
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t extra;
        char32_t code;
        if ((c & 0xE0) == 0xC0)
            extra = 1, code = c & 0x1F;
        else if ((c & 0xF0) == 0xE0)
            extra = 2, code = c & 0x0F;
        else if ((c & 0xF8) == 0xF0)
            extra = 3, code = c & 0x07;
        else
            return false;
        if (i + extra >= n)
            return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            code = code << 6 | (p[i + k] & 0x3F);
        }
        static const char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
        if (code < kSmallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}
