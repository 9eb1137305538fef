#pragma once

#include "dictionary/cellview.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace volmira {

// The rows of a table as the reader handed them over, packed in large blocks that never move, so that
// the engine can hand any of them to SQLite later: only the rows a statement needs, or all of them when
// one scans the table.
class RowArena final {
public:
    // Stores a row; returns its cells as stored, whose texts stay where they are for the arena's life.
    const std::vector<CellView>& add(const CellView* cells, int count);
    std::uint32_t size() const { return std::uint32_t(rows_.size()); }

    // The cells of row (0-based), valid until the next add or row; a text or binary cell points into the
    // arena.
    const std::vector<CellView>& row(std::uint32_t row);

private:
    static constexpr std::size_t blockBytes = std::size_t(4) << 20;

    unsigned char* room(std::size_t bytes);

    std::vector<std::unique_ptr<unsigned char[]>> blocks_;
    std::size_t used_ = blockBytes;  // of the last block; full before the first one
    std::vector<const unsigned char*> rows_;
    std::vector<CellView> cells_;
    std::vector<unsigned char> tags_;  // of the row being added
};

}  // namespace volmira
