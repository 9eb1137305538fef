#include "dictionary/reader/codepages.h"

namespace volmira::reader {

CodePage::CodePage(int codePage)
{
    const CodePageTable* fallback = nullptr;
    table_ = nullptr;
    for (int i = 0; i < kCodePageTableCount; ++i) {
        if (kCodePageTables[i].codePage == codePage)
            table_ = &kCodePageTables[i];
        if (kCodePageTables[i].codePage == 1252)
            fallback = &kCodePageTables[i];
    }
    if (!table_)
        table_ = fallback;
}

std::size_t CodePage::decode(const unsigned char* text, std::size_t size, char* out) const
{
    char* p = out;
    for (std::size_t i = 0; i < size; ++i) {
        const unsigned char b = text[i];
        if (b < 0x80) {
            *p++ = static_cast<char>(b);
            continue;
        }
        const std::uint32_t c = table_->upper[b - 0x80];
        if (c == 0) {
            *p++ = '?';
        } else if (c < 0x800) {
            *p++ = static_cast<char>(0xC0 | (c >> 6));
            *p++ = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            *p++ = static_cast<char>(0xE0 | (c >> 12));
            *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *p++ = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return static_cast<std::size_t>(p - out);
}

}  // namespace volmira::reader
