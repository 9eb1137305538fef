#pragma once

#include "dictionary/cellview.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace volmira::reader {

struct ReadColumn {
    std::string name;  // UTF-8
    ColumnType type = ColumnType::Other;
};

// Memory that a sink keeping the rows lends the reader to decode their texts into, one row after another,
// so that they need not be copied.
class TextBlocks {
public:
    virtual ~TextBlocks() = default;
    // A block of at least size bytes, whose room is set in *capacity, starting with the carried bytes
    // (the row being decoded, copied from the end of the block before). The rows handed over so far keep
    // pointing into the blocks lent before.
    virtual char* nextBlock(const char* carried, std::size_t carriedSize, std::size_t size, std::size_t* capacity) = 0;
};

// Receives what the reader reads from a file, in this order: the catalog once (the user tables' names,
// UTF-8, in the catalog's order), then for each table asked for that exists: beginTable, its rows in the
// order the file stores them, endTable. The cells of a row point into the reader's buffers and are valid
// only during the call, or into the blocks the sink lends (textBlocks). When the reading fails part-way
// the reader throws a Failure and the sink holds a partial copy, which the caller discards.
class RowSink {
public:
    virtual ~RowSink() = default;
    virtual void catalog(const std::vector<std::string>& userTables) = 0;
    virtual void beginTable(std::string_view name, const std::vector<ReadColumn>& columns) = 0;
    virtual void row(const CellView* cells, int count) = 0;
    virtual void endTable() = 0;
    // Null: the reader decodes each row into a buffer of its own that the next row reuses.
    virtual TextBlocks* textBlocks() { return nullptr; }
};

}  // namespace volmira::reader
