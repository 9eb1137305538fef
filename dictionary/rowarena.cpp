#include "dictionary/rowarena.h"

#include <cstring>
#include <algorithm>

namespace volmira {

namespace {

// A row: its cell count (u32), then per cell its kind, and a double for the numeric kinds or a u32
// length and the bytes for text and binary.
template <typename T>
unsigned char* put(unsigned char* p, T value)
{
    std::memcpy(p, &value, sizeof value);
    return p + sizeof value;
}

template <typename T>
const unsigned char* get(const unsigned char* p, T* value)
{
    std::memcpy(value, p, sizeof *value);
    return p + sizeof *value;
}

bool carriesBytes(CellView::Kind kind) { return kind == CellView::Kind::Text || kind == CellView::Kind::Binary; }

}  // namespace

unsigned char* RowArena::room(std::size_t bytes)
{
    if (blocks_.empty() || used_ + bytes > blockBytes) {
        // A row larger than a block gets a block of its own.
        blocks_.emplace_back(new unsigned char[std::max(bytes, blockBytes)]);
        used_ = 0;
    }
    unsigned char* p = blocks_.back().get() + used_;
    used_ += bytes;
    return p;
}

const std::vector<CellView>& RowArena::add(const CellView* cells, int count)
{
    std::size_t bytes = sizeof(std::uint32_t);
    for (int i = 0; i < count; ++i)
        bytes += 1 + (carriesBytes(cells[i].kind) ? sizeof(std::uint32_t) + cells[i].text.size() : sizeof(double));
    unsigned char* p = room(bytes);
    rows_.push_back(p);
    p = put(p, std::uint32_t(count));
    cells_.assign(cells, cells + count);
    for (CellView& cell : cells_) {
        *p++ = static_cast<unsigned char>(cell.kind);
        if (carriesBytes(cell.kind)) {
            p = put(p, std::uint32_t(cell.text.size()));
            if (!cell.text.empty())
                std::memcpy(p, cell.text.data(), cell.text.size());
            cell.text = std::string_view(reinterpret_cast<const char*>(p), cell.text.size());
            p += cell.text.size();
        } else {
            p = put(p, cell.number);
        }
    }
    return cells_;
}

const std::vector<CellView>& RowArena::row(std::uint32_t row)
{
    const unsigned char* p = rows_[row];
    std::uint32_t count = 0;
    p = get(p, &count);
    cells_.resize(count);
    for (CellView& cell : cells_) {
        cell.kind = static_cast<CellView::Kind>(*p++);
        if (carriesBytes(cell.kind)) {
            std::uint32_t length = 0;
            p = get(p, &length);
            cell.text = std::string_view(reinterpret_cast<const char*>(p), length);
            cell.number = 0;
            p += length;
        } else {
            p = get(p, &cell.number);
            cell.text = {};
        }
    }
    return cells_;
}

}  // namespace volmira
