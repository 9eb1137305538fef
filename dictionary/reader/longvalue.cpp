#include "dictionary/reader/longvalue.h"

#include "dictionary/errornumbers.h"
#include "dictionary/reader/failure.h"
#include "dictionary/reader/jetformat.h"
#include "dictionary/reader/rows.h"

#include <algorithm>

namespace volmira::reader {

namespace {

// A long value is at most 16 MiB in chunks of about 2 or 4 KiB: more pages than that means a damaged chain.
constexpr int kMaxChainPages = 8192;

}  // namespace

void LongValueReader::damaged(const std::string& column, const char* what) const
{
    throw Failure{ErrorNumber::DamagedData, "a value in column '" + column + "' of table '" + table_ + "' " + what};
}

Bytes LongValueReader::read(const unsigned char* p, int size, const std::string& column)
{
    value_.clear();
    if (size == 0)
        return {};
    if (size < jet::kLongValueHeaderSize)
        damaged(column, "has a cut header");
    const std::size_t length = jet::get24(p);
    const int kind = p[3];
    std::uint32_t pgRow = jet::get32(p + 4);
    if (kind == jet::kLongValueInline) {
        if (length > static_cast<std::size_t>(size - jet::kLongValueHeaderSize))
            damaged(column, "is longer than its row");
        return {p + jet::kLongValueHeaderSize, length};
    }
    if (kind != jet::kLongValueSingle && kind != jet::kLongValueChained)
        damaged(column, "has an unknown storage kind");
    if (length > budget_.bytesLeft)
        throw Failure{ErrorNumber::FileTooLarge, "the long values in column '" + column + "' of table '" + table_
                                                     + "' add up to more than the file holds"};
    budget_.bytesLeft -= length;
    if (kind == jet::kLongValueChained)
        value_.reserve(length);
    for (int pages = 0; value_.size() < length; ++pages) {
        if (pgRow == 0)
            damaged(column, "ends before its length");
        if (pages == kMaxChainPages || static_cast<std::uint32_t>(pages) >= pages_.count())
            damaged(column, "has a chain of pages without end");
        std::size_t rowSize = 0;
        const unsigned char* data = row(pgRow, &rowSize);
        if (!data)
            damaged(column, "points to a missing row");
        if (kind == jet::kLongValueSingle) {
            if (rowSize < length)
                damaged(column, "is longer than its page");
            return {data, length};
        }
        if (rowSize < 4)
            damaged(column, "has a cut link");
        pgRow = jet::get32(data);
        const std::size_t chunk = std::min(rowSize - 4, length - value_.size());
        value_.insert(value_.end(), data + 4, data + 4 + chunk);
    }
    return {value_.data(), value_.size()};
}

// The row a long value's pg_row names, or nullptr. The page stays for the next value on it.
const unsigned char* LongValueReader::row(std::uint32_t pgRow, std::size_t* size)
{
    const std::uint32_t page = pgRow >> 8;
    const int number = static_cast<int>(pgRow & 0xFF);
    if (!pages_.tryLoad(page, page_))
        return nullptr;
    const unsigned char* p = page_.data();
    const jet::Layout& layout = pages_.layout();
    if (p[0] != jet::kPageData || number >= static_cast<int>(jet::get16(p + layout.rowCountOffset)))
        return nullptr;
    RowPlace place;
    if (!findRow(page_, layout, number, &place))
        return nullptr;
    *size = static_cast<std::size_t>(place.size);
    return p + place.start;
}

}  // namespace volmira::reader
