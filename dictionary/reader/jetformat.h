#pragma once

// The Jet page format (Jet 3 and Jet 4), as the reader reads it and the test writer writes it. Values are
// little-endian; a pg_row is (page << 8) | row.

#include <cstdint>

namespace volmira::jet {

constexpr std::uint8_t kPageHeader = 0x00;
constexpr std::uint8_t kPageData = 0x01;
constexpr std::uint8_t kPageTableDefinition = 0x02;
constexpr std::uint8_t kPageUsageBitmap = 0x05;

constexpr std::uint32_t kCatalogPage = 2;
constexpr std::uint32_t kLvalOwner = 0x4C41564C;  // "LVAL" read as a little-endian u32

// Page 0: the version byte, and the part obscured with RC4 under a key every file shares.
constexpr int kVersionOffset = 0x14;
constexpr std::uint8_t kVersionJet3 = 0x00;
constexpr std::uint8_t kVersionJet4 = 0x01;
constexpr int kHeaderKeyedStart = 0x18;
constexpr int kHeaderKeyedSizeJet3 = 126;
constexpr int kHeaderKeyedSizeJet4 = 128;
constexpr unsigned char kHeaderKey[4] = {0xC7, 0xDA, 0x39, 0x6B};
constexpr int kCodePageOffset = 0x3C;  // inside the keyed part
constexpr int kDatabaseKeyOffset = 0x3E;  // non-zero: every other page is RC4'd with key ^ page number

// Row offsets on a data page carry two flags above the offset itself.
constexpr std::uint32_t kRowOffsetMask = 0x1FFF;
constexpr std::uint32_t kRowDeleted = 0x8000;
constexpr std::uint32_t kRowMoved = 0x4000;  // the row holds the pg_row of its new place

// Usage maps: type 0 an inline bitmap after a start page, type 1 a list of bitmap pages.
constexpr std::uint8_t kInlineUsageMap = 0x00;
constexpr std::uint8_t kPagedUsageMap = 0x01;
constexpr int kInlineUsageMapHeader = 5;
constexpr int kUsageBitmapPageHeader = 4;

// Long values (memo and OLE): a 12-byte header in the row.
constexpr int kLongValueHeaderSize = 12;
constexpr std::uint8_t kLongValueInline = 0x80;
constexpr std::uint8_t kLongValueSingle = 0x40;
constexpr std::uint8_t kLongValueChained = 0x00;

// Column type codes.
constexpr std::uint8_t kTypeBool = 0x01;
constexpr std::uint8_t kTypeByte = 0x02;
constexpr std::uint8_t kTypeInteger = 0x03;
constexpr std::uint8_t kTypeLong = 0x04;
constexpr std::uint8_t kTypeCurrency = 0x05;
constexpr std::uint8_t kTypeSingle = 0x06;
constexpr std::uint8_t kTypeDouble = 0x07;
constexpr std::uint8_t kTypeDateTime = 0x08;
constexpr std::uint8_t kTypeBinary = 0x09;
constexpr std::uint8_t kTypeText = 0x0A;
constexpr std::uint8_t kTypeOle = 0x0B;
constexpr std::uint8_t kTypeMemo = 0x0C;
constexpr std::uint8_t kTypeReplicationId = 0x0F;
constexpr std::uint8_t kTypeDecimal = 0x10;
constexpr std::uint8_t kTypeComplex = 0x12;  // a long that names attachment or multi-value data

constexpr std::uint8_t kColumnFixed = 0x01;  // in a column entry's flags

// Where Jet 3 and Jet 4 place things: the pages, data pages, table definitions and their column entries.
struct Layout {
    int pageSize;
    int rowCountOffset;  // on a data page; the row offsets follow
    int tdefNumRowsOffset;
    int tdefNumColsOffset;  // the number of variable-length columns sits just before it
    int tdefNumRealIndexesOffset;
    int tdefUsageMapOffset;
    int tdefFreeMapOffset;
    int tdefColumnsOffset;
    int tdefRealIndexEntrySize;
    int columnEntrySize;
    int columnNumberOffset;  // one byte
    int columnVarNumberOffset;
    int columnScaleOffset;  // of a decimal
    int columnFlagsOffset;
    int columnFixedOffsetOffset;
    int columnSizeOffset;
    int columnNameLengthSize;  // 1 or 2 bytes before each column name
    int rowColumnCountSize;    // 1 or 2 bytes at the start of a row
};

constexpr Layout kJet3{2048, 0x08, 12, 25, 31, 35, 39, 43, 8, 18, 1, 3, 10, 13, 14, 16, 1, 1};
constexpr Layout kJet4{4096, 0x0C, 16, 45, 51, 55, 59, 63, 12, 25, 5, 7, 12, 15, 21, 23, 2, 2};

inline std::uint32_t get16(const std::uint8_t* p) { return p[0] | (std::uint32_t(p[1]) << 8); }
inline std::uint32_t get24(const std::uint8_t* p) { return get16(p) | (std::uint32_t(p[2]) << 16); }
inline std::uint32_t get32(const std::uint8_t* p) { return get16(p) | (get16(p + 2) << 16); }
inline std::uint64_t get64(const std::uint8_t* p) { return get32(p) | (std::uint64_t(get32(p + 4)) << 32); }

}  // namespace volmira::jet

// What the writer puts into the Jet 4 files it makes.
namespace volmira::jet4 {

using jet::get16;
using jet::get24;
using jet::get32;
using jet::kCatalogPage;
using jet::kLongValueChained;
using jet::kLongValueInline;
using jet::kLongValueSingle;
using jet::kLvalOwner;
using jet::kPageData;
using jet::kPageHeader;
using jet::kPageTableDefinition;
using jet::kPageUsageBitmap;
using jet::kRowOffsetMask;

constexpr int kPageSize = jet::kJet4.pageSize;

// Data pages: 14-byte header, then one u16 offset per row; rows are packed from the page end.
constexpr int kDataHeaderSize = jet::kJet4.rowCountOffset + 2;
constexpr int kMaxRowsPerPage = 255;                          // the row number of a pg_row is one byte
constexpr int kMaxRowSize = kPageSize - kDataHeaderSize - 2;  // one row alone on a page
constexpr int kLvalChunkSize = kMaxRowSize - 4;               // a chained LVAL row starts with the next pg_row

// Table definitions: an 8-byte page header, then a byte stream continued at offset 8 of each next page.
constexpr int kTdefHeaderSize = 8;
constexpr int kTdefPayload = kPageSize - kTdefHeaderSize;
constexpr int kTdefColumnsOffset = jet::kJet4.tdefColumnsOffset;
constexpr int kTdefColumnEntrySize = jet::kJet4.columnEntrySize;

// Usage maps: a 69-byte row, type 0 (inline bitmap) or type 1 (pointers to bitmap pages).
constexpr int kUsageMapRowSize = 69;
constexpr std::uint32_t kInlineMapPages = 64 * 8;
constexpr std::uint32_t kBitmapPagePages = (kPageSize - jet::kUsageBitmapPageHeader) * 8;
constexpr int kBitmapPagePointers = 17;

constexpr int kLongValueHeaderSize = jet::kLongValueHeaderSize;

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

}  // namespace volmira::jet4
