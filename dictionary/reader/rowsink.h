#pragma once

#include "dictionary/cellview.h"

#include <string>
#include <string_view>
#include <vector>

namespace volmira::reader {

struct ReadColumn {
    std::string name;  // UTF-8
    ColumnType type = ColumnType::Other;
};

// Receives what the reader reads from a file, in this order: the catalog once (the user tables' names,
// UTF-8, in the catalog's order), then for each table asked for that exists: beginTable, its rows in the
// order the file stores them, endTable. The cells of a row point into the reader's buffers and are valid
// only during the call. When the reading fails part-way the reader throws a Failure and the sink holds a
// partial copy, which the caller discards.
class RowSink {
public:
    virtual ~RowSink() = default;
    virtual void catalog(const std::vector<std::string>& userTables) = 0;
    virtual void beginTable(std::string_view name, const std::vector<ReadColumn>& columns) = 0;
    virtual void row(const CellView* cells, int count) = 0;
    virtual void endTable() = 0;
};

}  // namespace volmira::reader
