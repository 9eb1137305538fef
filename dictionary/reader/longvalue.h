#pragma once

#include "dictionary/reader/pages.h"

#include <cstdint>
#include <string>
#include <vector>

namespace volmira::reader {

// What the long values of one open may add up to. Every long value lies on pages of its own, so a sound
// file's long values together hold fewer bytes than the file; reading more means rows that share a value,
// and a small file could otherwise fill the program's memory with copies of it.
struct LongValueBudget {
    std::uint64_t bytesLeft;
};

struct Bytes {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
};

// Reads memo and OLE values: inline in the row, in one row of a long-value page, or in a chain of them.
class LongValueReader final {
public:
    LongValueReader(Pages& pages, LongValueBudget& budget, const std::string& table)
        : pages_(pages), budget_(budget), table_(table)
    {}

    // The value whose 12-byte header (or nothing, for size 0) is at p; valid until the next call and
    // while the row's page stays.
    Bytes read(const unsigned char* p, int size, const std::string& column);

private:
    const unsigned char* row(std::uint32_t pgRow, std::size_t* size);
    [[noreturn]] void damaged(const std::string& column, const char* what) const;

    Pages& pages_;
    LongValueBudget& budget_;
    const std::string& table_;
    std::vector<unsigned char> value_;
    Page page_;
};

}  // namespace volmira::reader
