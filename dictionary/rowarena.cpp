#include "dictionary/rowarena.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace volmira {

namespace {

// A row: its cell count, then per cell a tag and what the tag needs. Counts, lengths and whole numbers are
// written in as few bytes as they need (seven bits a byte, the high bit saying that more follow), so that
// short cells take little more room than their text: most of a dictionary's cells are Null, Yes/No, small
// numbers and short texts.
enum Tag : unsigned char { Null, No, Yes, WholeNumber, Number, Single, Date, Text, Binary };

constexpr double wholeNumberLimit = 9.0e15;  // whole numbers below this are exact as 64-bit integers

std::size_t varintBytes(std::uint64_t value)
{
    std::size_t bytes = 1;
    while (value >= 0x80) {
        value >>= 7;
        ++bytes;
    }
    return bytes;
}

unsigned char* putVarint(unsigned char* p, std::uint64_t value)
{
    while (value >= 0x80) {
        *p++ = static_cast<unsigned char>(value | 0x80);
        value >>= 7;
    }
    *p++ = static_cast<unsigned char>(value);
    return p;
}

const unsigned char* getVarint(const unsigned char* p, std::uint64_t* value)
{
    std::uint64_t result = 0;
    for (int shift = 0;; shift += 7) {
        const unsigned char byte = *p++;
        result |= std::uint64_t(byte & 0x7F) << shift;
        if (!(byte & 0x80))
            break;
    }
    *value = result;
    return p;
}

// Whole numbers, small ones in few bytes whatever their sign.
std::uint64_t zigzag(std::int64_t value) { return (std::uint64_t(value) << 1) ^ std::uint64_t(value >> 63); }
std::int64_t unzigzag(std::uint64_t value) { return std::int64_t(value >> 1) ^ -std::int64_t(value & 1); }

bool isWhole(double number)
{
    return std::nearbyint(number) == number && std::fabs(number) < wholeNumberLimit
           && !(number == 0 && std::signbit(number));
}

Tag tagOf(const CellView& cell)
{
    switch (cell.kind) {
    case CellView::Kind::Null: return Null;
    case CellView::Kind::YesNo: return cell.number != 0 ? Yes : No;
    case CellView::Kind::Number: return isWhole(cell.number) ? WholeNumber : Number;
    case CellView::Kind::Single: return Single;
    case CellView::Kind::Date: return Date;
    case CellView::Kind::Text: return Text;
    case CellView::Kind::Binary: return Binary;
    }
    return Null;
}

std::size_t cellBytes(const CellView& cell, Tag tag)
{
    switch (tag) {
    case WholeNumber: return 1 + varintBytes(zigzag(std::int64_t(cell.number)));
    case Number:
    case Single:
    case Date: return 1 + sizeof(double);
    case Text:
    case Binary: return 1 + varintBytes(cell.text.size()) + cell.text.size();
    default: return 1;
    }
}

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
    std::size_t bytes = varintBytes(std::uint64_t(count));
    tags_.resize(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        tags_[std::size_t(i)] = tagOf(cells[i]);
        bytes += cellBytes(cells[i], Tag(tags_[std::size_t(i)]));
    }
    unsigned char* p = room(bytes);
    rows_.push_back(p);
    p = putVarint(p, std::uint64_t(count));
    cells_.assign(cells, cells + count);
    for (std::size_t i = 0; i < cells_.size(); ++i) {
        CellView& cell = cells_[i];
        const Tag tag = Tag(tags_[i]);
        *p++ = tag;
        switch (tag) {
        case WholeNumber: p = putVarint(p, zigzag(std::int64_t(cell.number))); break;
        case Number:
        case Single:
        case Date:
            std::memcpy(p, &cell.number, sizeof(double));
            p += sizeof(double);
            break;
        case Text:
        case Binary:
            p = putVarint(p, cell.text.size());
            if (!cell.text.empty())
                std::memcpy(p, cell.text.data(), cell.text.size());
            cell.text = std::string_view(reinterpret_cast<const char*>(p), cell.text.size());
            p += cell.text.size();
            break;
        default: break;
        }
    }
    return cells_;
}

const std::vector<CellView>& RowArena::row(std::uint32_t row)
{
    const unsigned char* p = rows_[row];
    std::uint64_t count = 0;
    p = getVarint(p, &count);
    cells_.resize(count);
    for (CellView& cell : cells_) {
        cell = CellView{};
        const Tag tag = static_cast<Tag>(*p++);
        switch (tag) {
        case Null: break;
        case No:
        case Yes:
            cell.kind = CellView::Kind::YesNo;
            cell.number = tag == Yes ? -1 : 0;
            break;
        case WholeNumber: {
            std::uint64_t value = 0;
            p = getVarint(p, &value);
            cell.kind = CellView::Kind::Number;
            cell.number = double(unzigzag(value));
            break;
        }
        case Number:
        case Single:
        case Date:
            cell.kind = tag == Date     ? CellView::Kind::Date
                        : tag == Single ? CellView::Kind::Single
                                        : CellView::Kind::Number;
            std::memcpy(&cell.number, p, sizeof(double));
            p += sizeof(double);
            break;
        case Text:
        case Binary: {
            std::uint64_t length = 0;
            p = getVarint(p, &length);
            cell.kind = tag == Text ? CellView::Kind::Text : CellView::Kind::Binary;
            cell.text = std::string_view(reinterpret_cast<const char*>(p), length);
            p += length;
            break;
        }
        }
    }
    return cells_;
}

}  // namespace volmira
