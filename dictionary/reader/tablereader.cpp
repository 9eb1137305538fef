#include "dictionary/reader/tablereader.h"

#include "dictionary/errornumbers.h"
#include "dictionary/reader/failure.h"
#include "dictionary/reader/rowsink.h"
#include "dictionary/reader/tabledefinition.h"
#include "dictionary/reader/text.h"
#include "dictionary/reader/usagemap.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace volmira::reader {

namespace {

constexpr std::size_t kMaxRowBytes = std::size_t(200) << 20;
constexpr std::size_t kMaxTextBytes = std::size_t(24) << 20;
constexpr int kMaxRowsPerPage = 1000;
constexpr int kMaxMoves = 4;

// Bytes a fixed-size value takes in the row; 0 for the variable-length types.
int fixedWidthOf(std::uint8_t type)
{
    switch (type) {
    case jet::kTypeByte: return 1;
    case jet::kTypeInteger: return 2;
    case jet::kTypeLong:
    case jet::kTypeComplex:
    case jet::kTypeSingle: return 4;
    case jet::kTypeCurrency:
    case jet::kTypeDouble:
    case jet::kTypeDateTime: return 8;
    case jet::kTypeReplicationId: return 16;
    case jet::kTypeDecimal: return 17;
    default: return 0;
    }
}

double doubleAt(const unsigned char* p)
{
    const std::uint64_t bits = jet::get64(p);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace

ColumnType columnTypeOf(std::uint8_t jetType)
{
    switch (jetType) {
    case jet::kTypeBool: return ColumnType::Bool;
    case jet::kTypeByte: return ColumnType::Byte;
    case jet::kTypeInteger: return ColumnType::Integer;
    case jet::kTypeLong:
    case jet::kTypeComplex: return ColumnType::Long;
    case jet::kTypeCurrency: return ColumnType::Currency;
    case jet::kTypeSingle: return ColumnType::Single;
    case jet::kTypeDouble:
    case jet::kTypeDecimal: return ColumnType::Double;
    case jet::kTypeDateTime: return ColumnType::DateTime;
    case jet::kTypeText: return ColumnType::Text;
    case jet::kTypeMemo: return ColumnType::Memo;
    case jet::kTypeBinary:
    case jet::kTypeOle: return ColumnType::Binary;
    default: return ColumnType::Other;
    }
}

TableReader::TableReader(Pages& pages, const TextDecoder& text, const TableDefinition& table,
                         LongValueBudget& budget, RowSink& sink, std::vector<bool> wanted)
    : pages_(pages), text_(text), table_(table), sink_(sink), wanted_(std::move(wanted)),
      cracker_(pages.layout(), pages.format().jet3, table), longValues_(pages, budget, table.name),
      fields_(table.columns.size()), cells_(table.columns.size()), spans_(table.columns.size()),
      lent_(sink.textBlocks())
{
    if (wanted_.empty())
        wanted_.assign(table.columns.size(), true);
}

void TableReader::readRows()
{
    PageWalker walker(pages_, table_);
    Page page;
    while (walker.next(page))
        readPage(page);
}

// Rows flagged deleted are skipped; a row that grew and moved is stored as a pointer to its new place
// (where it is flagged deleted, so that it is read once).
void TableReader::readPage(const Page& page)
{
    const jet::Layout& layout = pages_.layout();
    const int rows = static_cast<int>(jet::get16(page.data() + layout.rowCountOffset));
    for (int r = 0; r < rows && r <= kMaxRowsPerPage; ++r) {
        RowPlace place;
        if (!findRow(page, layout, r, &place) || place.size == 0 || (place.flags & jet::kRowDeleted))
            continue;
        if (place.flags & jet::kRowMoved) {
            if (place.size >= 4)
                readMovedRow(jet::get32(page.data() + place.start));
            continue;
        }
        readRow(page.data(), place.start, place.size);
    }
}

// Follows a moved row's pointers (a few hops at most).
void TableReader::readMovedRow(std::uint32_t pgRow)
{
    // A sound file moves each row once; rows that point at the same place would read it many times.
    if (!movedTo_.insert(pgRow).second)
        throw Failure{ErrorNumber::DamagedData, "two rows of table '" + table_.name + "' moved to the same place"};
    for (int hop = 0; hop < kMaxMoves; ++hop) {
        if (!pages_.tryLoad(pgRow >> 8, moved_) || moved_.data()[0] != jet::kPageData)
            throw Failure{ErrorNumber::DamagedData, "a row of table '" + table_.name + "' moved to a missing page"};
        RowPlace place;
        if (!findRow(moved_, pages_.layout(), static_cast<int>(pgRow & 0xFF), &place) || place.size == 0)
            throw Failure{ErrorNumber::DamagedData, "a row of table '" + table_.name + "' moved to a missing row"};
        if (!(place.flags & jet::kRowMoved)) {
            readRow(moved_.data(), place.start, place.size);
            return;
        }
        if (place.size < 4)
            break;
        pgRow = jet::get32(moved_.data() + place.start);
    }
    throw Failure{ErrorNumber::DamagedData, "a row of table '" + table_.name + "' moved without end"};
}

void TableReader::readRow(const unsigned char* page, int start, int size)
{
    // A row that cannot be taken apart is skipped.
    if (cracker_.crack(page, start, size, fields_.data()) && fieldsInRow(start, size))
        decodeRow(page);
}

bool TableReader::fieldsInRow(int start, int size) const
{
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        const Field& field = fields_[i];
        const ColumnDefinition& column = table_.columns[i];
        if (field.null || column.type == jet::kTypeBool)
            continue;
        if (field.size < 0 || field.start < start || field.start + field.size > start + size)
            return false;
        if (field.size < fixedWidthOf(column.type))
            return false;
    }
    return true;
}

char* TableReader::room(std::size_t size)
{
    if (used_ + size > blockSize_) {
        // The row decoded so far moves to the start of a larger buffer or of the sink's next block.
        const std::size_t carried = used_ - rowStart_;
        const char* row = block_ + rowStart_;
        if (lent_) {
            block_ = lent_->nextBlock(row, carried, carried + size, &blockSize_);
        } else {
            const std::size_t grown = std::max(carried + size, 2 * blockSize_ + 4096);
            std::unique_ptr<char[]> bigger(new char[grown]);
            if (carried > 0)
                std::memcpy(bigger.get(), row, carried);
            buffer_ = std::move(bigger);
            block_ = buffer_.get();
            blockSize_ = grown;
        }
        rowStart_ = 0;
        used_ = carried;
    }
    return block_ + used_;
}

void TableReader::putBytes(std::size_t cell, CellView::Kind kind, const unsigned char* p, std::size_t size)
{
    char* out = room(size);
    if (size > 0)
        std::memcpy(out, p, size);
    spans_[cell] = {used_ - rowStart_, size};
    used_ += size;
    cells_[cell].kind = kind;
}

void TableReader::putText(std::size_t cell, const unsigned char* p, std::size_t size)
{
    const std::size_t written = text_.decode(p, size, room(text_.capacity(size)));
    if (written > kMaxTextBytes)
        throw Failure{ErrorNumber::FileTooLarge, "a value in column '" + table_.columns[cell].name + "' of table '"
                                                     + table_.name + "' is larger than 24 MiB"};
    spans_[cell] = {used_ - rowStart_, written};
    used_ += written;
    cells_[cell].kind = CellView::Kind::Text;
}

// A decimal is a sign byte and a 128-bit magnitude in four u32 words, the most significant first;
// its value is read through the decimal text, as the digits with a point before the last scale of them.
void TableReader::putDecimal(std::size_t cell, const unsigned char* p, int scale)
{
    std::uint32_t words[4];
    for (int k = 0; k < 4; ++k)
        words[k] = jet::get32(p + 1 + 4 * k);
    constexpr int kDigits = 40;
    char digits[kDigits];  // least significant first
    for (char& digit : digits) {
        std::uint64_t remainder = 0;
        for (std::uint32_t& word : words) {
            const std::uint64_t current = remainder << 32 | word;
            word = static_cast<std::uint32_t>(current / 10);
            remainder = current % 10;
        }
        digit = static_cast<char>('0' + remainder);
    }
    int top = kDigits;
    while (top > 0 && top - 1 > scale && digits[top - 1] == '0')
        --top;
    char text[kDigits + 3];
    int n = 0;
    if (p[0] & 0x80)
        text[n++] = '-';
    for (int i = top; i > 0; --i) {
        if (i == scale)
            text[n++] = '.';
        text[n++] = digits[i - 1];
    }
    text[n] = '\0';
    cells_[cell].kind = CellView::Kind::Number;
    cells_[cell].number = std::strtod(text, nullptr);
}

void TableReader::putGuid(std::size_t cell, const unsigned char* p)
{
    char text[40];
    const int n = std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                                static_cast<unsigned>(jet::get32(p)), static_cast<unsigned>(jet::get16(p + 4)),
                                static_cast<unsigned>(jet::get16(p + 6)), p[8], p[9], p[10], p[11], p[12], p[13],
                                p[14], p[15]);
    putBytes(cell, CellView::Kind::Text, reinterpret_cast<const unsigned char*>(text), static_cast<std::size_t>(n));
}

void TableReader::decodeRow(const unsigned char* page)
{
    rowStart_ = lent_ ? used_ : 0;  // a lent block keeps the rows before this one
    used_ = rowStart_;
    const std::size_t count = fields_.size();
    for (std::size_t i = 0; i < count; ++i) {
        const Field& field = fields_[i];
        const ColumnDefinition& column = table_.columns[i];
        CellView& cell = cells_[i];
        spans_[i] = {0, 0};
        cell.number = 0;
        if (!wanted_[i]) {
            cell.kind = CellView::Kind::Null;
            continue;
        }
        if (column.type == jet::kTypeBool) {
            // A Yes/No value is its null-mask bit: a clear bit is No.
            cell.kind = CellView::Kind::YesNo;
            cell.number = field.null ? 0 : -1;
            continue;
        }
        if (field.null) {
            cell.kind = CellView::Kind::Null;
            continue;
        }
        const unsigned char* p = page + field.start;
        const auto size = static_cast<std::size_t>(field.size);
        switch (column.type) {
        case jet::kTypeByte:
            cell.kind = CellView::Kind::Number;
            cell.number = p[0];
            break;
        case jet::kTypeInteger:
            cell.kind = CellView::Kind::Number;
            cell.number = static_cast<std::int16_t>(jet::get16(p));
            break;
        case jet::kTypeLong:
        case jet::kTypeComplex:
            cell.kind = CellView::Kind::Number;
            cell.number = static_cast<std::int32_t>(jet::get32(p));
            break;
        case jet::kTypeCurrency:
            cell.kind = CellView::Kind::Number;
            cell.number = static_cast<double>(static_cast<std::int64_t>(jet::get64(p))) / 10000.0;
            break;
        case jet::kTypeSingle: {
            const std::uint32_t bits = jet::get32(p);
            float value;
            std::memcpy(&value, &bits, sizeof value);
            cell.kind = CellView::Kind::Single;
            cell.number = value;
            break;
        }
        case jet::kTypeDouble:
            cell.kind = CellView::Kind::Number;
            cell.number = doubleAt(p);
            break;
        case jet::kTypeDateTime:
            cell.kind = CellView::Kind::Date;
            cell.number = doubleAt(p);
            break;
        case jet::kTypeDecimal: putDecimal(i, p, column.scale); break;
        case jet::kTypeReplicationId: putGuid(i, p); break;
        case jet::kTypeText: putText(i, p, size); break;
        case jet::kTypeBinary: putBytes(i, CellView::Kind::Binary, p, size); break;
        case jet::kTypeMemo: {
            const Bytes value = longValues_.read(p, field.size, column.name);
            putText(i, value.data, value.size);
            break;
        }
        case jet::kTypeOle: {
            const Bytes value = longValues_.read(p, field.size, column.name);
            putBytes(i, CellView::Kind::Binary, value.data, value.size);
            break;
        }
        default: cell.kind = CellView::Kind::Null; break;
        }
        if (used_ - rowStart_ > kMaxRowBytes)
            throw Failure{ErrorNumber::FileTooLarge, "a row of table '" + table_.name + "' is larger than "
                                                         + std::to_string(kMaxRowBytes >> 20) + " MiB"};
    }
    const char* base = block_ + rowStart_;
    for (std::size_t i = 0; i < count; ++i)
        cells_[i].text = spans_[i].second == 0 ? std::string_view() : std::string_view(base + spans_[i].first, spans_[i].second);
    sink_.row(cells_.data(), static_cast<int>(count));
}

}  // namespace volmira::reader
