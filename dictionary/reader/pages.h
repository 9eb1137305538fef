#pragma once

#include "dictionary/reader/jetheader.h"

#include <cstdint>
#include <vector>

namespace volmira::reader {

class ByteSource;

// One page held by its reader; number 0 means none (page 0 is the header, which no walk visits).
struct Page {
    std::vector<unsigned char> bytes;
    std::uint32_t number = 0;
    const unsigned char* data() const { return bytes.data(); }
};

// The pages of a Jet file, read one at a time into the caller's Page (nothing maps or holds the file).
class Pages final {
public:
    Pages(ByteSource& bytes, const FileFormat& format);

    const FileFormat& format() const { return format_; }
    const jet::Layout& layout() const { return *format_.layout; }
    int size() const { return format_.layout->pageSize; }
    std::uint32_t count() const { return format_.pageCount; }

    // Loads page number (1 <= number < count(), which the caller checks) into page, unless it is there.
    void load(std::uint32_t number, Page& page);
    // Loads the page, or answers false for page 0 and pages past the end of the file.
    bool tryLoad(std::uint32_t number, Page& page);

private:
    ByteSource& bytes_;
    FileFormat format_;
};

}  // namespace volmira::reader
