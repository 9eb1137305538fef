#pragma once

#include "dictionary/reader/jetformat.h"

#include <cstdint>
#include <vector>

namespace volmira::reader {

struct Page;
struct TableDefinition;

// Where a row lies on its page, and its flags (jet::kRowDeleted, jet::kRowMoved).
struct RowPlace {
    int start = 0;
    int size = 0;
    std::uint32_t flags = 0;
};

// Finds row number row of a data page; false when its offsets do not fit the page.
bool findRow(const Page& page, const jet::Layout& layout, int row, RowPlace* place);

// Where one column's value lies in a row (offsets into the page), and whether it is null. A Yes/No
// value is its null bit.
struct Field {
    int start = 0;
    int size = 0;
    bool null = true;
};

// Takes rows apart: the null mask at the row's end, the variable-length offsets before it (Jet 3 with
// its jump table of one byte per 256 bytes of row), the fixed-length values after the column count.
class RowCracker final {
public:
    RowCracker(const jet::Layout& layout, bool jet3, const TableDefinition& table);

    // Fills fields (one per column, in the definition's order); false for a row whose offsets lie outside it.
    bool crack(const unsigned char* page, int rowStart, int rowSize, Field* fields);

private:
    bool varOffsets3(const unsigned char* page, unsigned rowStart, unsigned rowEnd, unsigned maskSize, unsigned varCount);
    bool varOffsets4(const unsigned char* page, unsigned rowEnd, unsigned maskSize, unsigned varCount);

    const jet::Layout& layout_;
    bool jet3_;
    const TableDefinition& table_;
    std::vector<unsigned> varOffsets_;
};

}  // namespace volmira::reader
