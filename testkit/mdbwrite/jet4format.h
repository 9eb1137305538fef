#pragma once

// Constants and little-endian helpers of the Jet 4.0 page format, shared by the writer and the lint.

#include <cstdint>
#include <cstring>

namespace volmira::jet4 {

constexpr int kPageSize = 4096;

constexpr std::uint8_t kPageHeader = 0x00;
constexpr std::uint8_t kPageData = 0x01;
constexpr std::uint8_t kPageTableDefinition = 0x02;
constexpr std::uint8_t kPageUsageBitmap = 0x05;

constexpr std::uint32_t kCatalogPage = 2;
constexpr std::uint32_t kLvalOwner = 0x4C41564C;  // "LVAL" read as a little-endian u32

// Data pages: 14-byte header, then one u16 offset per row; rows are packed from the page end.
constexpr int kDataHeaderSize = 14;
constexpr std::uint32_t kRowOffsetMask = 0x1FFF;              // a row offset without its flags
constexpr int kMaxRowsPerPage = 255;                          // the row number of a pg_row is one byte
constexpr int kMaxRowSize = kPageSize - kDataHeaderSize - 2;  // one row alone on a page
constexpr int kLvalChunkSize = kMaxRowSize - 4;               // a chained LVAL row starts with the next pg_row

// Table definitions: an 8-byte page header, then a byte stream continued at offset 8 of each next page.
constexpr int kTdefHeaderSize = 8;
constexpr int kTdefPayload = kPageSize - kTdefHeaderSize;
constexpr int kTdefColumnsOffset = 63;
constexpr int kTdefColumnEntrySize = 25;

// Usage maps: a 69-byte row, type 0 (inline bitmap) or type 1 (pointers to bitmap pages).
constexpr int kUsageMapRowSize = 69;
constexpr std::uint32_t kInlineMapPages = 64 * 8;
constexpr std::uint32_t kBitmapPagePages = (kPageSize - 4) * 8;
constexpr int kBitmapPagePointers = 17;

// Long values (memo and OLE): a 12-byte header in the row.
constexpr int kLongValueHeaderSize = 12;
constexpr std::uint8_t kLongValueInline = 0x80;
constexpr std::uint8_t kLongValueSingle = 0x40;
constexpr std::uint8_t kLongValueChained = 0x00;

constexpr std::uint32_t makePgRow(std::uint32_t page, std::uint32_t row) { return (page << 8) | row; }

inline void put16(std::uint8_t* p, std::uint32_t v)
{
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}
inline void put24(std::uint8_t* p, std::uint32_t v)
{
    put16(p, v);
    p[2] = std::uint8_t(v >> 16);
}
inline void put32(std::uint8_t* p, std::uint32_t v)
{
    put16(p, v);
    put16(p + 2, v >> 16);
}
inline void put64(std::uint8_t* p, std::uint64_t v)
{
    put32(p, std::uint32_t(v));
    put32(p + 4, std::uint32_t(v >> 32));
}
inline std::uint32_t get16(const std::uint8_t* p) { return p[0] | (std::uint32_t(p[1]) << 8); }
inline std::uint32_t get24(const std::uint8_t* p) { return get16(p) | (std::uint32_t(p[2]) << 16); }
inline std::uint32_t get32(const std::uint8_t* p) { return get16(p) | (get16(p + 2) << 16); }

}  // namespace volmira::jet4
