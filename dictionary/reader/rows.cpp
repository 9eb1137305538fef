#include "dictionary/reader/rows.h"

#include "dictionary/reader/pages.h"
#include "dictionary/reader/tabledefinition.h"

namespace volmira::reader {

namespace {

constexpr int kMaxRowNumber = 1000;

}  // namespace

bool findRow(const Page& page, const jet::Layout& layout, int row, RowPlace* place)
{
    if (row < 0 || row > kMaxRowNumber)
        return false;
    const unsigned char* p = page.data();
    const int rco = layout.rowCountOffset;
    const int pageSize = layout.pageSize;
    const std::uint32_t raw = jet::get16(p + rco + 2 + 2 * row);
    const int start = static_cast<int>(raw & jet::kRowOffsetMask);
    const int end = row == 0 ? pageSize : static_cast<int>(jet::get16(p + rco + 2 * row) & jet::kRowOffsetMask);
    if (start >= pageSize || start > end || end > pageSize)
        return false;
    place->start = start;
    place->size = end - start;
    place->flags = raw & (jet::kRowDeleted | jet::kRowMoved);
    return true;
}

RowCracker::RowCracker(const jet::Layout& layout, bool jet3, const TableDefinition& table)
    : layout_(layout), jet3_(jet3), table_(table)
{}

// Jet 4: a u16 per variable-length column (and the end of the data), from the back.
bool RowCracker::varOffsets4(const unsigned char* page, unsigned rowEnd, unsigned maskSize, unsigned varCount)
{
    if (maskSize + 3 + varCount * 2 + 2 > rowEnd)
        return false;
    varOffsets_.resize(varCount + 1);
    for (unsigned i = 0; i <= varCount; ++i)
        varOffsets_[i] = jet::get16(page + rowEnd - maskSize - 3 - i * 2);
    return true;
}

// Jet 3: a byte per variable-length column, and before the count a jump table that says at which
// columns the offsets pass another 256 bytes. The last jump may be a dummy.
bool RowCracker::varOffsets3(const unsigned char* page, unsigned rowStart, unsigned rowEnd, unsigned maskSize,
                             unsigned varCount)
{
    const unsigned rowLength = rowEnd - rowStart + 1;
    unsigned jumps = (rowLength - 1) / 256;
    const unsigned columnsAt = rowEnd - maskSize - jumps - 1;
    if ((columnsAt - rowStart - varCount) / 256 < jumps)
        --jumps;
    if (maskSize + jumps + 1 > rowEnd)
        return false;
    if (columnsAt >= static_cast<unsigned>(layout_.pageSize) || columnsAt < varCount)
        return false;
    varOffsets_.resize(varCount + 1);
    unsigned jumpsUsed = 0;
    for (unsigned i = 0; i <= varCount; ++i) {
        while (jumpsUsed < jumps && i == page[rowEnd - maskSize - jumpsUsed - 1])
            ++jumpsUsed;
        varOffsets_[i] = page[columnsAt - i] + jumpsUsed * 256;
    }
    return true;
}

bool RowCracker::crack(const unsigned char* page, int rowStart, int rowSize, Field* fields)
{
    const auto start = static_cast<unsigned>(rowStart);
    const auto countSize = static_cast<unsigned>(layout_.rowColumnCountSize);
    if (rowSize <= 0 || start + countSize > static_cast<unsigned>(layout_.pageSize))
        return false;
    const unsigned rowEnd = start + static_cast<unsigned>(rowSize) - 1;
    const unsigned rowColumns = jet3_ ? page[start] : jet::get16(page + start);
    const unsigned maskSize = (rowColumns + 7) / 8;
    if (maskSize + (jet3_ ? 0 : 1) >= rowEnd)
        return false;
    const unsigned char* mask = page + rowEnd - maskSize + 1;

    unsigned varCount = 0;
    if (table_.varColumnCount > 0) {
        varCount = jet3_ ? page[rowEnd - maskSize] : jet::get16(page + rowEnd - maskSize - 1);
        if (!(jet3_ ? varOffsets3(page, start, rowEnd, maskSize, varCount)
                    : varOffsets4(page, rowEnd, maskSize, varCount)))
            return false;
    }

    const unsigned fixedInRow = rowColumns - varCount;
    unsigned fixedFound = 0;
    const std::size_t rowLimit = std::size_t(start) + static_cast<std::size_t>(rowSize);
    const std::size_t columns = table_.columns.size();
    for (std::size_t i = 0; i < columns; ++i) {
        const ColumnDefinition& column = table_.columns[i];
        Field& field = fields[i];
        const auto byte = static_cast<unsigned>(column.number / 8);
        // A column added after the row was written lies beyond its mask: null.
        field.null = byte >= maskSize || !(mask[byte] & (1 << (column.number % 8)));
        if (column.fixed && fixedFound < fixedInRow) {
            field.start = rowStart + column.fixedOffset + static_cast<int>(countSize);
            field.size = column.size;
            ++fixedFound;
        } else if (!column.fixed && static_cast<unsigned>(column.varNumber) < varCount) {
            const unsigned from = varOffsets_[static_cast<std::size_t>(column.varNumber)];
            field.start = rowStart + static_cast<int>(from);
            field.size = static_cast<int>(varOffsets_[static_cast<std::size_t>(column.varNumber) + 1])
                         - static_cast<int>(from);
        } else {
            field.start = 0;
            field.size = 0;
            field.null = true;
        }
        const long long end = static_cast<long long>(field.start) + field.size;
        if (end < 0 || static_cast<std::size_t>(end) > rowLimit)
            return false;
    }
    return true;
}

}  // namespace volmira::reader
