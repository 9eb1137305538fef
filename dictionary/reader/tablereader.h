#pragma once

#include "dictionary/cellview.h"
#include "dictionary/reader/longvalue.h"
#include "dictionary/reader/pages.h"
#include "dictionary/reader/rows.h"

#include <cstdint>
#include <memory>
#include <unordered_set>
#include <vector>

namespace volmira::reader {

class RowSink;
class TextBlocks;
class TextDecoder;
struct TableDefinition;

ColumnType columnTypeOf(std::uint8_t jetType);

// Reads a table's rows in the order its usage map lists its pages and hands each to the sink, decoded
// into buffers that the next row reuses, or into the blocks the sink lends, one row after another.
// Columns left out of wanted arrive as Null and are not decoded.
class TableReader final {
public:
    TableReader(Pages& pages, const TextDecoder& text, const TableDefinition& table, LongValueBudget& budget,
                RowSink& sink, std::vector<bool> wanted = {});

    void readRows();

private:
    void readPage(const Page& page);
    void readMovedRow(std::uint32_t pgRow);
    void readRow(const unsigned char* page, int start, int size);
    bool fieldsInRow(int start, int size) const;
    void decodeRow(const unsigned char* page);
    char* room(std::size_t size);
    void putBytes(std::size_t cell, CellView::Kind kind, const unsigned char* p, std::size_t size);
    void putText(std::size_t cell, const unsigned char* p, std::size_t size);
    void putDecimal(std::size_t cell, const unsigned char* p, int scale);
    void putGuid(std::size_t cell, const unsigned char* p);

    Pages& pages_;
    const TextDecoder& text_;
    const TableDefinition& table_;
    RowSink& sink_;
    std::vector<bool> wanted_;
    RowCracker cracker_;
    LongValueReader longValues_;
    std::vector<Field> fields_;
    std::vector<CellView> cells_;
    std::vector<std::pair<std::size_t, std::size_t>> spans_;  // of the cells' text, from the row's start
    TextBlocks* lent_;          // the sink's blocks, or null for buffer_
    std::unique_ptr<char[]> buffer_;
    char* block_ = nullptr;     // buffer_ or the sink's block
    std::size_t blockSize_ = 0;
    std::size_t rowStart_ = 0;  // where the row being decoded starts in block_
    std::size_t used_ = 0;
    Page moved_;
    std::unordered_set<std::uint32_t> movedTo_;
};

}  // namespace volmira::reader
