#include "dictionary/reader/tabledefinition.h"

#include "dictionary/errornumbers.h"
#include "dictionary/reader/failure.h"
#include "dictionary/reader/jetformat.h"
#include "dictionary/reader/pages.h"
#include "dictionary/reader/rows.h"
#include "dictionary/reader/text.h"

#include <algorithm>
#include <vector>

namespace volmira::reader {

namespace {

constexpr std::size_t kMaxColumns = 255;
constexpr int kDefinitionHeader = 8;  // each page of a definition: type, a byte, free space, next page

[[noreturn]] void damagedTable(const std::string& table, const std::string& what)
{
    throw Failure{ErrorNumber::DamagedData, "table '" + table + "' " + what};
}

// The definition is one byte stream: the first page whole, then each next page after its header.
std::vector<unsigned char> definitionStream(Pages& pages, std::uint32_t first, const std::string& name)
{
    std::vector<unsigned char> stream;
    std::vector<bool> seen(pages.count(), false);
    Page page;
    for (std::uint32_t number = first; number != 0;) {
        if (!pages.tryLoad(number, page))
            damagedTable(name, "has its definition on page " + std::to_string(number) + ", past the end of the file");
        if (page.data()[0] != jet::kPageTableDefinition || seen[number])
            damagedTable(name,
                         "has its definition on page " + std::to_string(number) + ", which holds no definition");
        seen[number] = true;
        stream.insert(stream.end(), page.bytes.begin() + (stream.empty() ? 0 : kDefinitionHeader), page.bytes.end());
        number = jet::get32(page.data() + 4);
    }
    if (stream.empty())
        damagedTable(name, "has its usage map on page 0, past the end of the file");
    return stream;
}

// The row a usage map's pg_row names, copied; false when the row is not there.
bool mapRow(Pages& pages, std::uint32_t pgRow, std::vector<unsigned char>* row)
{
    Page page;
    if (!pages.tryLoad(pgRow >> 8, page))
        return false;
    RowPlace place;
    if (!findRow(page, pages.layout(), static_cast<int>(pgRow & 0xFF), &place))
        return false;
    if (row)
        row->assign(page.data() + place.start, page.data() + place.start + place.size);
    return true;
}

}  // namespace

TableDefinition readTableDefinition(Pages& pages, const TextDecoder& text, std::uint32_t first,
                                    const std::string& name, bool catalog)
{
    const jet::Layout& layout = pages.layout();
    const std::vector<unsigned char> stream = definitionStream(pages, first, name);
    const unsigned char* s = stream.data();

    const std::uint32_t usageMapPage = jet::get32(s + layout.tdefUsageMapOffset) >> 8;
    Page mapPage;
    if (!pages.tryLoad(usageMapPage, mapPage))
        damagedTable(name, "has its usage map on page " + std::to_string(usageMapPage) + ", past the end of the file");
    if (mapPage.data()[0] != jet::kPageData)
        damagedTable(name, "has its usage map on page " + std::to_string(usageMapPage) + ", which is no data page");

    const auto unreadable = [&]() -> void {
        if (catalog)
            damagedTable(name, "has a definition that cannot be read");
        throw Failure{ErrorNumber::DamagedData, "the definition of table '" + name + "' cannot be read"};
    };
    TableDefinition table;
    table.name = name;
    table.page = first;
    if (!mapRow(pages, jet::get32(s + layout.tdefUsageMapOffset), &table.usageMap)
        || !mapRow(pages, jet::get32(s + layout.tdefFreeMapOffset), nullptr))
        unreadable();
    table.varColumnCount = static_cast<int>(jet::get16(s + layout.tdefNumColsOffset - 2));
    const std::size_t columnCount = jet::get16(s + layout.tdefNumColsOffset);
    const auto realIndexes = static_cast<std::int32_t>(jet::get32(s + layout.tdefNumRealIndexesOffset));
    // libmdb reads the catalog's columns apart from its definition and says so.
    const auto columnsUnreadable = [&]() -> void {
        if (catalog)
            throw Failure{ErrorNumber::DamagedData, "its catalog cannot be read"};
        unreadable();
    };
    if (realIndexes < 0)
        columnsUnreadable();

    std::uint64_t at = std::uint64_t(layout.tdefColumnsOffset)
                       + std::uint64_t(realIndexes) * std::uint64_t(layout.tdefRealIndexEntrySize);
    const auto entrySize = static_cast<std::uint64_t>(layout.columnEntrySize);
    if (at + columnCount * entrySize > stream.size())
        columnsUnreadable();
    if (columnCount == 0 || columnCount > kMaxColumns) {
        if (catalog)
            columnsUnreadable();
        damagedTable(name, "has " + std::to_string(columnCount) + " columns");
    }
    table.columns.resize(columnCount);
    for (ColumnDefinition& column : table.columns) {
        const unsigned char* e = s + at;
        column.type = e[0];
        column.number = e[layout.columnNumberOffset];
        column.varNumber = static_cast<int>(jet::get16(e + layout.columnVarNumberOffset));
        column.fixed = (e[layout.columnFlagsOffset] & jet::kColumnFixed) != 0;
        column.fixedOffset = static_cast<int>(jet::get16(e + layout.columnFixedOffsetOffset));
        column.size = column.type == jet::kTypeBool ? 0 : static_cast<int>(jet::get16(e + layout.columnSizeOffset));
        if (column.type == jet::kTypeDecimal)
            column.scale = e[layout.columnScaleOffset];
        at += entrySize;
    }
    // A name that does not fit stays empty: the table is refused below.
    for (ColumnDefinition& column : table.columns) {
        const auto lengthSize = static_cast<std::uint64_t>(layout.columnNameLengthSize);
        if (at + lengthSize > stream.size())
            break;
        const std::uint64_t length = lengthSize == 1 ? s[at] : jet::get16(s + at);
        at += lengthSize;
        if (at + length > stream.size())
            break;
        column.name = validUtf8(text.name(s + at, static_cast<std::size_t>(length)));
        at += length;
    }
    std::stable_sort(table.columns.begin(), table.columns.end(),
                     [](const ColumnDefinition& a, const ColumnDefinition& b) { return a.number < b.number; });
    if (!catalog)
        for (const ColumnDefinition& column : table.columns)
            if (column.name.empty())
                damagedTable(name, "has a column without a name");
    return table;
}

}  // namespace volmira::reader
