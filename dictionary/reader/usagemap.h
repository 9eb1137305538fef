#pragma once

#include "dictionary/reader/pages.h"

#include <cstdint>
#include <string>
#include <vector>

namespace volmira::reader {

struct TableDefinition;

// Visits a table's data pages in the order of its usage map: an inline bitmap after a start page, or a
// list of bitmap pages each covering the next stretch of the file. Every page the map lists must lie
// inside the file and be one of the table's data pages: anything else is damage. Each page comes once.
class PageWalker final {
public:
    PageWalker(Pages& pages, const TableDefinition& table);

    // Loads the next data page into page; false after the last.
    bool next(Page& page);

private:
    static constexpr std::uint64_t kNoPage = ~std::uint64_t(0);

    std::uint64_t nextOwnPage();
    std::uint64_t nextInline();
    std::uint64_t nextPaged();

    Pages& pages_;
    const TableDefinition& table_;
    const std::vector<unsigned char>& map_;
    std::size_t bitmapBits_;
    std::size_t slot_ = 0;
    std::size_t bit_ = 0;
    Page scratch_;
    std::uint32_t current_ = 0;
};

}  // namespace volmira::reader
