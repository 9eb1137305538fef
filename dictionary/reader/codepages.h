#pragma once

#include <cstddef>
#include <cstdint>

namespace volmira::reader {

// The characters of bytes 0x80-0xFF in one single-byte code page (0: undefined).
struct CodePageTable {
    int codePage;
    std::uint16_t upper[128];
};

extern const CodePageTable kCodePageTables[];
extern const int kCodePageTableCount;

// Jet 3 text in the code page its file declares; a code page without a table reads as 1252.
class CodePage final {
public:
    explicit CodePage(int codePage);

    // The most UTF-8 bytes decode writes for size bytes.
    static constexpr std::size_t capacity(std::size_t size) { return 3 * size; }
    // Writes text as UTF-8 to out; an undefined byte becomes '?'. Returns the bytes written.
    std::size_t decode(const unsigned char* text, std::size_t size, char* out) const;

private:
    const CodePageTable* table_;
};

}  // namespace volmira::reader
