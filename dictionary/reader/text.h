#pragma once

#include "dictionary/reader/codepages.h"

#include <cstddef>
#include <string>

namespace volmira::reader {

// Text as a file stores it (Jet 4: UCS-2 or its compressed form; Jet 3: the file's code page) to UTF-8.
class TextDecoder final {
public:
    TextDecoder(bool jet3, int codePage) : jet3_(jet3), codePage_(codePage) {}

    // The most UTF-8 bytes decode writes for size bytes of text.
    std::size_t capacity(std::size_t size) const;
    std::size_t decode(const unsigned char* text, std::size_t size, char* out) const;
    // A name (of a table or column), cut to the 255 bytes names are kept to.
    std::string name(const unsigned char* text, std::size_t size) const;

private:
    bool jet3_;
    CodePage codePage_;
};

// The text with every invalid UTF-8 sequence replaced by U+FFFD.
std::string validUtf8(const std::string& text);
// A key under which names that differ only in letter case are equal (simple case folding of the Latin,
// Greek and Cyrillic letters).
std::string foldedName(const std::string& text);

}  // namespace volmira::reader
