#include "testkit/mdbwrite/databasewriter.h"

#include "dictionary/error.h"
#include "dictionary/rc4.h"
#include "dictionary/reader/jetformat.h"
#include "testkit/mdbwrite/textcodec.h"

#include <QSet>
#include <QTemporaryFile>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>

namespace volmira::jet4 {

namespace {

// The creation date stored in the header; fixed, so that the same description gives the same file.
const double kCreationDate = 45292.0;  // 2024-01-01

constexpr std::uint32_t kCatalogParentTables = 0x0F000001;
constexpr std::uint32_t kSystemObjectFlags = 0x80000000;
const QString kCatalogName = QStringLiteral("MSysObjects");

[[noreturn]] void refuse(const QString& message) { throw Error(InvalidDescription, message); }

// ---- pages in memory --------------------------------------------------------------------------------

class PageFile final {
public:
    std::uint32_t allocate()
    {
        const qsizetype oldSize = bytes_.size();
        const qsizetype newSize = oldSize + kPageSize;
        if (newSize > bytes_.capacity())
            bytes_.reserve(std::max<qsizetype>(newSize, bytes_.capacity() * 2));
        bytes_.resize(newSize);
        std::memset(bytes_.data() + oldSize, 0, kPageSize);
        return std::uint32_t(oldSize / kPageSize);
    }
    std::uint8_t* page(std::uint32_t number)
    {
        return reinterpret_cast<std::uint8_t*>(bytes_.data()) + qsizetype(number) * kPageSize;
    }
    std::uint32_t pageCount() const { return std::uint32_t(bytes_.size() / kPageSize); }
    QByteArray take() { return std::move(bytes_); }

private:
    QByteArray bytes_;
};

void initDataPage(std::uint8_t* page, std::uint32_t owner)
{
    page[0] = kPageData;
    page[1] = 0x01;
    put16(page + 2, kPageSize - kDataHeaderSize);
    put32(page + 4, owner);
    put16(page + 12, 0);
}

bool dataPageFits(const std::uint8_t* page, std::size_t rowLength)
{
    return get16(page + 12) < std::uint32_t(kMaxRowsPerPage) && get16(page + 2) >= rowLength + 2;
}

// Places a row below the lowest one and returns its row number.
std::uint32_t addRow(std::uint8_t* page, const std::uint8_t* row, std::size_t length)
{
    const std::uint32_t rows = get16(page + 12);
    const std::uint32_t lowest = rows ? get16(page + kDataHeaderSize + 2 * (rows - 1)) : kPageSize;
    const std::uint32_t start = lowest - std::uint32_t(length);
    if (length)
        std::memcpy(page + start, row, length);
    put16(page + kDataHeaderSize + 2 * rows, start);
    put16(page + 12, rows + 1);
    put16(page + 2, start - (kDataHeaderSize + 2 * (rows + 1)));
    return rows;
}

// ---- table layout -----------------------------------------------------------------------------------

struct ColumnLayout {
    ColumnModel model;
    int number = 0;
    int varNumber = 0;    // position among the variable columns
    int fixedOffset = 0;  // in the fixed area
    int length = 0;       // col_len of the definition
    bool fixed = false;
    int longValueIndex = -1;  // position among the memo/OLE columns
};

struct MapSlot {
    std::uint32_t page = 0;
    std::uint32_t row = 0;
    std::uint32_t pgRow() const { return makePgRow(page, row); }
};

struct TableLayout {
    QString name;
    bool system = false;
    std::vector<ColumnLayout> columns;
    std::vector<int> varColumns;  // column positions in var_num order
    int fixedAreaSize = 0;
    int longValueColumns = 0;

    std::vector<std::uint32_t> tdefPages;
    MapSlot usedMap, freeMap;
    std::vector<std::pair<MapSlot, MapSlot>> longValueMaps;

    std::vector<std::uint32_t> dataPages;
    std::vector<std::vector<std::uint32_t>> lvalPages;
    std::uint32_t rowCount = 0;
    QByteArray propertyBlock;  // LvProp of its catalog row; empty = Null
};

QString describeColumn(const TableLayout& table, std::size_t rowIndex, const ColumnLayout& column)
{
    return QStringLiteral("Table \"%1\", row %2, column \"%3\"")
        .arg(table.name)
        .arg(rowIndex + 1)
        .arg(column.model.name);
}

TableLayout layoutTable(const TableModel& model, bool system)
{
    TableLayout table;
    table.name = model.name;
    table.system = system;
    const QString where = QStringLiteral("Table \"%1\"").arg(model.name);
    if (model.name.trimmed().isEmpty())
        refuse(QStringLiteral("A table has an empty name"));
    if (model.name.size() > 64)
        refuse(QStringLiteral("%1: the name is longer than 64 characters").arg(where));
    if (model.columns.empty())
        refuse(QStringLiteral("%1 has no columns").arg(where));
    if (model.columns.size() > 255)
        refuse(QStringLiteral("%1 has %2 columns; at most 255 can be written").arg(where).arg(model.columns.size()));

    QSet<QString> names;
    int fixedOffset = 0;
    for (const ColumnModel& columnSpec : model.columns) {
        const QString columnWhere = QStringLiteral("%1, column \"%2\"").arg(where, columnSpec.name);
        if (columnSpec.name.trimmed().isEmpty())
            refuse(QStringLiteral("%1: a column has an empty name").arg(where));
        if (columnSpec.name.size() > 64)
            refuse(QStringLiteral("%1: the name is longer than 64 characters").arg(columnWhere));
        const QString folded = columnSpec.name.toCaseFolded();
        if (names.contains(folded))
            refuse(QStringLiteral("%1: the column is defined twice").arg(columnWhere));
        names.insert(folded);

        ColumnLayout column;
        column.model = columnSpec;
        column.number = int(table.columns.size());
        column.fixed = isFixedLength(columnSpec.type);
        switch (columnSpec.type) {
        case ColumnType::Text:
            if (columnSpec.size < 1 || columnSpec.size > 255)
                refuse(QStringLiteral("%1: a text size must be 1 to 255 characters, not %2")
                           .arg(columnWhere)
                           .arg(columnSpec.size));
            column.length = 2 * columnSpec.size;
            break;
        case ColumnType::Binary:
            if (columnSpec.size < 1 || columnSpec.size > 255)
                refuse(QStringLiteral("%1: a binary size must be 1 to 255 bytes, not %2")
                           .arg(columnWhere)
                           .arg(columnSpec.size));
            column.length = columnSpec.size;
            break;
        case ColumnType::Bool: column.length = 1; break;
        default: column.length = fixedLength(columnSpec.type);
        }
        if (column.fixed) {
            column.fixedOffset = columnSpec.type == ColumnType::Bool ? 0 : fixedOffset;
            fixedOffset += fixedLength(columnSpec.type);
        } else {
            column.varNumber = int(table.varColumns.size());
            table.varColumns.push_back(column.number);
        }
        if (isLongValue(columnSpec.type))
            column.longValueIndex = table.longValueColumns++;
        table.columns.push_back(column);
    }
    table.fixedAreaSize = fixedOffset;
    table.lvalPages.resize(std::size_t(table.longValueColumns));
    return table;
}

// The column definitions of the catalog, with the numbers and types readers expect.
TableModel catalogSpec()
{
    TableModel model;
    model.name = kCatalogName;
    model.addColumn(QStringLiteral("Id"), ColumnType::Long)
        .addColumn(QStringLiteral("ParentId"), ColumnType::Long)
        .addColumn(QStringLiteral("Name"), ColumnType::Text, 255)
        .addColumn(QStringLiteral("Type"), ColumnType::Integer)
        .addColumn(QStringLiteral("DateCreate"), ColumnType::DateTime)
        .addColumn(QStringLiteral("DateUpdate"), ColumnType::DateTime)
        .addColumn(QStringLiteral("Owner"), ColumnType::Binary, 255)
        .addColumn(QStringLiteral("Flags"), ColumnType::Long)
        .addColumn(QStringLiteral("Database"), ColumnType::Memo)
        .addColumn(QStringLiteral("Connect"), ColumnType::Memo)
        .addColumn(QStringLiteral("ForeignName"), ColumnType::Text, 255)
        .addColumn(QStringLiteral("RmtInfoShort"), ColumnType::Binary, 255)
        .addColumn(QStringLiteral("RmtInfoLong"), ColumnType::Ole)
        .addColumn(QStringLiteral("Lv"), ColumnType::Ole)
        .addColumn(QStringLiteral("LvProp"), ColumnType::Ole)
        .addColumn(QStringLiteral("LvModule"), ColumnType::Ole)
        .addColumn(QStringLiteral("LvExtra"), ColumnType::Ole);
    return model;
}

// A property block whose one property record has length 0: a reader that steps from record to record by
// their lengths never gets past it. The record itself is valid (a Yes/No property of the one name).
QByteArray zeroLengthPropertyBlock()
{
    QByteArray block("MR2\0", 4);
    auto appendU16 = [&block](int v) { block.append(char(v & 0xFF)).append(char(v >> 8)); };
    auto appendU32 = [&](int v) {
        appendU16(v & 0xFFFF);
        appendU16(v >> 16);
    };
    // Name pool: one name, "A".
    appendU32(6 + 4);
    appendU16(0x80);
    appendU16(2);
    block.append("A\0", 2);
    // Property set: block length and type, set length, name length 0, then one record: length 0,
    // type Yes/No, name 0, data size 0.
    appendU32(6 + 14);
    appendU16(0x00);
    appendU32(14);
    appendU16(0);
    appendU16(0);
    block.append(char(0)).append(char(0x01));
    appendU16(0);
    appendU16(0);
    return block;
}

// ---- table definition -------------------------------------------------------------------------------

std::vector<std::uint8_t> tableDefinition(const TableLayout& table)
{
    std::vector<std::uint8_t> s(kTdefColumnsOffset - kTdefHeaderSize, 0);
    auto at = [&s](int pageOffset) { return s.data() + (pageOffset - kTdefHeaderSize); };
    put32(at(16), table.rowCount);
    *at(24) = 1;
    *at(40) = table.system ? 0x53 : 0x4E;
    put16(at(41), std::uint32_t(table.columns.size()));
    put16(at(43), std::uint32_t(table.varColumns.size()));
    put16(at(45), std::uint32_t(table.columns.size()));
    put32(at(55), table.usedMap.pgRow());
    put32(at(59), table.freeMap.pgRow());

    for (const ColumnLayout& column : table.columns) {
        std::uint8_t entry[kTdefColumnEntrySize] = {};
        entry[0] = jetTypeCode(column.model.type);
        put16(entry + 5, std::uint32_t(column.number));
        put16(entry + 7, column.fixed ? 0 : std::uint32_t(column.varNumber));
        put16(entry + 9, std::uint32_t(column.number));
        const bool textual = column.model.type == ColumnType::Text || column.model.type == ColumnType::Memo;
        if (textual)
            put16(entry + 11, 0x0409);
        entry[15] = std::uint8_t((column.fixed ? 0x01 : 0x00) | 0x02 | (table.system ? 0x10 : 0x00));
        if (textual)
            entry[16] = 0x01;
        put16(entry + 21, std::uint32_t(column.fixedOffset));
        put16(entry + 23, std::uint32_t(column.length));
        s.insert(s.end(), entry, entry + kTdefColumnEntrySize);
    }
    for (const ColumnLayout& column : table.columns) {
        std::vector<std::uint8_t> name;
        appendText(column.model.name, TextForm::Plain, name);
        std::uint8_t length[2];
        put16(length, std::uint32_t(name.size()));
        s.insert(s.end(), length, length + 2);
        s.insert(s.end(), name.begin(), name.end());
    }
    for (const ColumnLayout& column : table.columns) {
        if (column.longValueIndex < 0)
            continue;
        std::uint8_t entry[10];
        const auto& maps = table.longValueMaps[std::size_t(column.longValueIndex)];
        put16(entry, std::uint32_t(column.number));
        put32(entry + 2, maps.first.pgRow());
        put32(entry + 6, maps.second.pgRow());
        s.insert(s.end(), entry, entry + 10);
    }
    const std::uint8_t terminator[10] = {0xFF, 0xFF};
    s.insert(s.end(), terminator, terminator + 10);
    put32(s.data(), std::uint32_t(s.size()));
    return s;
}

int tdefPageCount(const TableLayout& table)
{
    // The stream length depends only on the columns, so a draft gives the page count.
    return int((tableDefinition(table).size() + kTdefPayload - 1) / kTdefPayload);
}

void writeTableDefinition(PageFile& file, const TableLayout& table)
{
    const std::vector<std::uint8_t> stream = tableDefinition(table);
    std::size_t done = 0;
    for (std::size_t i = 0; i < table.tdefPages.size(); ++i) {
        std::uint8_t* page = file.page(table.tdefPages[i]);
        const std::size_t chunk = std::min<std::size_t>(kTdefPayload, stream.size() - done);
        page[0] = kPageTableDefinition;
        page[1] = 0x01;
        put16(page + 2, std::uint32_t(kTdefPayload - chunk));
        put32(page + 4, i + 1 < table.tdefPages.size() ? table.tdefPages[i + 1] : 0);
        std::memcpy(page + kTdefHeaderSize, stream.data() + done, chunk);
        done += chunk;
    }
}

// ---- usage maps -------------------------------------------------------------------------------------

class UsageMapWriter final {
public:
    explicit UsageMapWriter(PageFile& file) : file_(file) {}

    // Fills the reserved 69-byte row with a map of `pages` (ascending). Maps whose pages do not fit one
    // 512-page window point to bitmap pages appended to the file.
    void write(const MapSlot& slot, const std::vector<std::uint32_t>& pages)
    {
        std::uint8_t map[kUsageMapRowSize] = {};
        if (!pages.empty() && pages.back() - pages.front() >= kInlineMapPages) {
            map[0] = 1;
            std::array<std::uint32_t, kBitmapPagePointers> bitmapPages{};
            for (const std::uint32_t page : pages) {
                const std::uint32_t k = page / kBitmapPagePages;
                if (k >= std::uint32_t(kBitmapPagePointers))
                    refuse(QStringLiteral("The database is too large: page %1 is beyond what a usage map can list")
                               .arg(page));
                if (!bitmapPages[k]) {
                    bitmapPages[k] = file_.allocate();
                    std::uint8_t* bitmap = file_.page(bitmapPages[k]);
                    bitmap[0] = kPageUsageBitmap;
                    bitmap[1] = 0x01;
                }
                const std::uint32_t bit = page % kBitmapPagePages;
                file_.page(bitmapPages[k])[4 + bit / 8] |= std::uint8_t(1u << (bit % 8));
            }
            for (int k = 0; k < kBitmapPagePointers; ++k)
                put32(map + 1 + 4 * k, bitmapPages[std::size_t(k)]);
        } else if (!pages.empty()) {
            put32(map + 1, pages.front());
            for (const std::uint32_t page : pages) {
                const std::uint32_t bit = page - pages.front();
                map[5 + bit / 8] |= std::uint8_t(1u << (bit % 8));
            }
        }
        std::uint8_t* page = file_.page(slot.page);
        const std::uint32_t start = get16(page + kDataHeaderSize + 2 * slot.row);
        const std::uint32_t end = slot.row ? get16(page + kDataHeaderSize + 2 * (slot.row - 1)) : kPageSize;
        std::memcpy(page + start, map, std::min<std::uint32_t>(end - start, kUsageMapRowSize));
    }

private:
    PageFile& file_;
};

// ---- rows -------------------------------------------------------------------------------------------

class TableRowWriter final {
public:
    TableRowWriter(PageFile& file, TableLayout& table, std::uint32_t owner, int memoInlineMax, bool shareLongValues)
        : file_(file), table_(table), owner_(owner), memoInlineMax_(memoInlineMax), shareLongValues_(shareLongValues),
          sharedHeaders_(shareLongValues ? std::size_t(table.longValueColumns) : 0),
          currentLval_(std::size_t(table.longValueColumns), 0), longData_(std::size_t(table.longValueColumns)),
          varStart_(table.columns.size()), varEnd_(table.columns.size())
    {}

    void write(const Row& row, std::size_t rowIndex)
    {
        const std::size_t columnCount = table_.columns.size();
        if (row.size() != columnCount)
            refuse(QStringLiteral("Table \"%1\", row %2: %3 values for %4 columns")
                       .arg(table_.name)
                       .arg(rowIndex + 1)
                       .arg(row.size())
                       .arg(columnCount));
        const std::size_t maskBytes = (columnCount + 7) / 8;
        fixed_.assign(std::size_t(table_.fixedAreaSize), 0);
        mask_.assign(maskBytes, 0);
        varData_.clear();

        std::size_t longInlineTotal = 0;
        for (std::size_t i = 0; i < columnCount; ++i) {
            const ColumnLayout& column = table_.columns[i];
            const Value& value = row[i];
            if (column.model.type == ColumnType::Bool) {
                if (!value.isBool())
                    refuse(QStringLiteral("%1: a Yes/No value must be true or false, not %2")
                               .arg(describeColumn(table_, rowIndex, column), value.kindName()));
                if (value.toBool())
                    setPresent(i);
                continue;
            }
            if (value.isNull()) {
                if (column.longValueIndex >= 0)
                    longPlacement_[std::size_t(column.longValueIndex)] = Placement::Null;
                continue;
            }
            setPresent(i);
            if (column.fixed) {
                encodeFixed(column, value, rowIndex, fixed_.data() + column.fixedOffset);
            } else if (column.longValueIndex >= 0) {
                const std::size_t k = std::size_t(column.longValueIndex);
                encodeLongValue(column, value, rowIndex, longData_[k]);
                const bool inlined = longData_[k].size() <= std::size_t(memoInlineMax_);
                longPlacement_[k] = inlined ? Placement::Inline : Placement::Lval;
                if (inlined)
                    longInlineTotal += longData_[k].size();
            } else {
                varStart_[i] = varData_.size();
                encodeVariable(column, value, rowIndex);
                varEnd_[i] = varData_.size();
            }
        }

        // Move the largest inline long values out until the row fits a page.
        const std::size_t varCount = table_.varColumns.size();
        std::size_t rowLength = 2 + fixed_.size() + maskBytes + varData_.size() + longInlineTotal
                                + std::size_t(table_.longValueColumns) * kLongValueHeaderSize;
        if (varCount)
            rowLength += 2 + 2 * varCount + 2;
        for (int k = 0; k < table_.longValueColumns; ++k) {
            if (longPlacement_[std::size_t(k)] == Placement::Null)
                rowLength -= kLongValueHeaderSize;
        }
        while (rowLength > std::size_t(kMaxRowSize)) {
            int largest = -1;
            for (int k = 0; k < table_.longValueColumns; ++k) {
                if (longPlacement_[std::size_t(k)] == Placement::Inline && !longData_[std::size_t(k)].empty()
                    && (largest < 0 || longData_[std::size_t(k)].size() > longData_[std::size_t(largest)].size()))
                    largest = k;
            }
            if (largest < 0)
                refuse(QStringLiteral("Table \"%1\", row %2: the row needs %3 bytes, more than the %4 a page holds")
                           .arg(table_.name)
                           .arg(rowIndex + 1)
                           .arg(rowLength)
                           .arg(kMaxRowSize));
            longPlacement_[std::size_t(largest)] = Placement::Lval;
            rowLength -= longData_[std::size_t(largest)].size();
        }

        assemble(rowLength, maskBytes);
        placeRow();
    }

    void finish() { table_.rowCount = std::uint32_t(rowsWritten_); }

private:
    enum class Placement : std::uint8_t { Null, Inline, Lval };

    void setPresent(std::size_t column) { mask_[column / 8] |= std::uint8_t(1u << (column % 8)); }

    [[noreturn]] void refuseValue(const ColumnLayout& column, std::size_t rowIndex, const QString& what)
    {
        refuse(QStringLiteral("%1: %2").arg(describeColumn(table_, rowIndex, column), what));
    }

    qint64 wholeNumber(const ColumnLayout& column, const Value& value, std::size_t rowIndex, qint64 low, qint64 high)
    {
        qint64 number = 0;
        if (value.isInteger()) {
            number = value.toInteger();
        } else if (value.isReal() && std::isfinite(value.toReal()) && std::trunc(value.toReal()) == value.toReal()
                   && std::fabs(value.toReal()) < 9.2e18) {
            number = qint64(value.toReal());
        } else if (value.isReal()) {
            refuseValue(column, rowIndex, QStringLiteral("%1 is not a whole number").arg(value.toReal(), 0, 'g', 17));
        } else {
            refuseValue(column, rowIndex, QStringLiteral("expects a whole number, not %1").arg(value.kindName()));
        }
        if (number < low || number > high)
            refuseValue(column, rowIndex,
                        QStringLiteral("%1 is out of range (%2 to %3)").arg(number).arg(low).arg(high));
        return number;
    }

    double realNumber(const ColumnLayout& column, const Value& value, std::size_t rowIndex)
    {
        if (value.isReal())
            return value.toReal();
        if (value.isInteger())
            return double(value.toInteger());
        refuseValue(column, rowIndex, QStringLiteral("expects a number, not %1").arg(value.kindName()));
    }

    void encodeFixed(const ColumnLayout& column, const Value& value, std::size_t rowIndex, std::uint8_t* out)
    {
        switch (column.model.type) {
        case ColumnType::Byte: *out = std::uint8_t(wholeNumber(column, value, rowIndex, 0, 255)); break;
        case ColumnType::Integer: put16(out, std::uint32_t(wholeNumber(column, value, rowIndex, -32768, 32767))); break;
        case ColumnType::Long:
            put32(out, std::uint32_t(wholeNumber(column, value, rowIndex, INT32_MIN, INT32_MAX)));
            break;
        case ColumnType::Currency: {
            qint64 units = 0;
            constexpr qint64 kLimit = INT64_MAX / 10000;
            if (value.isInteger()) {
                if (value.toInteger() > kLimit || value.toInteger() < -kLimit)
                    refuseValue(column, rowIndex,
                                QStringLiteral("%1 is out of range for currency").arg(value.toInteger()));
                units = value.toInteger() * 10000;
            } else {
                const double scaled = realNumber(column, value, rowIndex) * 10000.0;
                if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.2e18)
                    refuseValue(column, rowIndex,
                                QStringLiteral("%1 is out of range for currency").arg(value.toReal()));
                units = std::llround(scaled);
            }
            put64(out, std::uint64_t(units));
            break;
        }
        case ColumnType::Single: {
            const double number = realNumber(column, value, rowIndex);
            if (std::isfinite(number) && std::fabs(number) > FLT_MAX)
                refuseValue(column, rowIndex, QStringLiteral("%1 is out of range for single").arg(number));
            const float single = float(number);
            std::uint32_t bits;
            std::memcpy(&bits, &single, 4);
            put32(out, bits);
            break;
        }
        case ColumnType::Double: {
            const double number = realNumber(column, value, rowIndex);
            std::uint64_t bits;
            std::memcpy(&bits, &number, 8);
            put64(out, bits);
            break;
        }
        case ColumnType::DateTime: {
            if (!value.isDate())
                refuseValue(column, rowIndex, QStringLiteral("expects a date, not %1").arg(value.kindName()));
            const double days = value.toDate().days;
            std::uint64_t bits;
            std::memcpy(&bits, &days, 8);
            put64(out, bits);
            break;
        }
        default: break;
        }
    }

    void encodeVariable(const ColumnLayout& column, const Value& value, std::size_t rowIndex)
    {
        if (column.model.type == ColumnType::Binary) {
            if (!value.isBytes())
                refuseValue(column, rowIndex, QStringLiteral("expects bytes, not %1").arg(value.kindName()));
            if (value.toBytes().size() > column.model.size)
                refuseValue(column, rowIndex,
                            QStringLiteral("%1 bytes are longer than the size %2")
                                .arg(value.toBytes().size())
                                .arg(column.model.size));
            varData_.insert(varData_.end(), value.toBytes().begin(), value.toBytes().end());
            return;
        }
        if (!value.isText())
            refuseValue(column, rowIndex, QStringLiteral("expects a text, not %1").arg(value.kindName()));
        const QString& text = value.toText();
        if (text.size() > column.model.size)
            refuseValue(column, rowIndex,
                        QStringLiteral("a text of %1 characters is longer than the size %2")
                            .arg(text.size())
                            .arg(column.model.size));
        appendText(text, storableForm(column, text, rowIndex, true), varData_);
    }

    TextForm storableForm(const ColumnLayout& column, const QString& text, std::size_t rowIndex, bool allowCompression)
    {
        const TextForm form = chooseTextForm(text, allowCompression);
        if (form == TextForm::Unstorable)
            refuseValue(
                column, rowIndex,
                QStringLiteral(
                    "a text that starts with U+FEFF and holds a character whose low byte is 0 cannot be stored"));
        return form;
    }

    void encodeLongValue(const ColumnLayout& column, const Value& value, std::size_t rowIndex,
                         std::vector<std::uint8_t>& out)
    {
        out.clear();
        if (column.model.type == ColumnType::Ole) {
            if (!value.isBytes())
                refuseValue(column, rowIndex, QStringLiteral("expects bytes, not %1").arg(value.kindName()));
            out.assign(value.toBytes().begin(), value.toBytes().end());
        } else {
            if (!value.isText())
                refuseValue(column, rowIndex, QStringLiteral("expects a text, not %1").arg(value.kindName()));
            const QString& text = value.toText();
            // Like Access, only memos of up to 1024 characters are compressed.
            appendText(text, storableForm(column, text, rowIndex, text.size() <= 1024), out);
        }
        if (out.size() >= (1u << 24))
            refuseValue(column, rowIndex,
                        QStringLiteral("the value needs %1 bytes; at most 16 MB can be stored").arg(out.size()));
    }

    std::uint32_t startLvalPage(int longIndex)
    {
        const std::uint32_t page = file_.allocate();
        initDataPage(file_.page(page), kLvalOwner);
        table_.lvalPages[std::size_t(longIndex)].push_back(page);
        return page;
    }

    // Stores a long value on LVAL pages and returns its 12-byte header.
    void storeLongValue(int longIndex, const std::vector<std::uint8_t>& data, std::uint8_t* header)
    {
        if (shareLongValues_) {
            std::vector<std::uint8_t>& shared = sharedHeaders_[std::size_t(longIndex)];
            if (!shared.empty()) {
                std::memcpy(header, shared.data(), kLongValueHeaderSize);
                return;
            }
            storeOwnLongValue(longIndex, data, header);
            shared.assign(header, header + kLongValueHeaderSize);
            return;
        }
        storeOwnLongValue(longIndex, data, header);
    }

    void storeOwnLongValue(int longIndex, const std::vector<std::uint8_t>& data, std::uint8_t* header)
    {
        put24(header, std::uint32_t(data.size()));
        put32(header + 8, 0);
        if (data.size() <= std::size_t(kMaxRowSize)) {
            std::uint32_t& page = currentLval_[std::size_t(longIndex)];
            if (!page || !dataPageFits(file_.page(page), data.size()))
                page = startLvalPage(longIndex);
            const std::uint32_t row = addRow(file_.page(page), data.data(), data.size());
            header[3] = kLongValueSingle;
            put32(header + 4, makePgRow(page, row));
            return;
        }
        // A chain: one chunk per page; the chunks add up exactly to the length.
        const std::size_t chunks = (data.size() + kLvalChunkSize - 1) / kLvalChunkSize;
        std::vector<std::uint32_t> pages(chunks);
        for (std::size_t c = 0; c < chunks; ++c)
            pages[c] = startLvalPage(longIndex);
        std::vector<std::uint8_t> chunkRow;
        for (std::size_t c = 0; c < chunks; ++c) {
            const std::size_t begin = c * kLvalChunkSize;
            const std::size_t length = std::min<std::size_t>(kLvalChunkSize, data.size() - begin);
            chunkRow.assign(4, 0);
            put32(chunkRow.data(), c + 1 < chunks ? makePgRow(pages[c + 1], 0) : 0);
            chunkRow.insert(chunkRow.end(), data.begin() + std::ptrdiff_t(begin),
                            data.begin() + std::ptrdiff_t(begin + length));
            addRow(file_.page(pages[c]), chunkRow.data(), chunkRow.size());
        }
        header[3] = kLongValueChained;
        put32(header + 4, makePgRow(pages[0], 0));
    }

    void assemble(std::size_t rowLength, std::size_t maskBytes)
    {
        const std::size_t columnCount = table_.columns.size();
        row_.resize(rowLength);
        std::uint8_t* p = row_.data();
        put16(p, std::uint32_t(columnCount));
        if (!fixed_.empty())
            std::memcpy(p + 2, fixed_.data(), fixed_.size());
        std::size_t at = 2 + fixed_.size();
        const std::size_t varCount = table_.varColumns.size();
        offsets_.resize(varCount);
        for (std::size_t v = 0; v < varCount; ++v) {
            const ColumnLayout& column = table_.columns[std::size_t(table_.varColumns[v])];
            offsets_[v] = at;
            const bool present = (mask_[std::size_t(column.number) / 8] >> (column.number % 8)) & 1;
            if (column.longValueIndex >= 0) {
                const std::size_t k = std::size_t(column.longValueIndex);
                if (longPlacement_[k] == Placement::Null)
                    continue;
                std::uint8_t* header = p + at;
                if (longPlacement_[k] == Placement::Inline) {
                    put24(header, std::uint32_t(longData_[k].size()));
                    header[3] = kLongValueInline;
                    put32(header + 4, 0);
                    put32(header + 8, 0);
                    if (!longData_[k].empty())
                        std::memcpy(header + kLongValueHeaderSize, longData_[k].data(), longData_[k].size());
                    at += kLongValueHeaderSize + longData_[k].size();
                } else {
                    storeLongValue(int(k), longData_[k], header);
                    at += kLongValueHeaderSize;
                }
            } else if (present) {
                const std::size_t length = varEnd_[std::size_t(column.number)] - varStart_[std::size_t(column.number)];
                if (length)
                    std::memcpy(p + at, varData_.data() + varStart_[std::size_t(column.number)], length);
                at += length;
            }
        }
        if (varCount) {
            put16(p + at, std::uint32_t(at));
            at += 2;
            for (std::size_t v = varCount; v-- > 0;) {
                put16(p + at, std::uint32_t(offsets_[v]));
                at += 2;
            }
            put16(p + at, std::uint32_t(varCount));
            at += 2;
        }
        std::memcpy(p + at, mask_.data(), maskBytes);
        Q_ASSERT(at + maskBytes == rowLength);
    }

    void placeRow()
    {
        if (!currentData_ || !dataPageFits(file_.page(currentData_), row_.size())) {
            currentData_ = file_.allocate();
            initDataPage(file_.page(currentData_), owner_);
            table_.dataPages.push_back(currentData_);
        }
        addRow(file_.page(currentData_), row_.data(), row_.size());
        ++rowsWritten_;
    }

    PageFile& file_;
    TableLayout& table_;
    std::uint32_t owner_;
    int memoInlineMax_;
    bool shareLongValues_;
    std::vector<std::vector<std::uint8_t>> sharedHeaders_;
    std::uint32_t currentData_ = 0;
    std::vector<std::uint32_t> currentLval_;
    std::vector<std::vector<std::uint8_t>> longData_;
    Placement longPlacement_[256] = {};
    std::vector<std::size_t> varStart_, varEnd_, offsets_;
    std::vector<std::uint8_t> fixed_, mask_, varData_, row_;
    std::size_t rowsWritten_ = 0;
};

void writeRows(PageFile& file, TableLayout& table, const TableModel& model, int memoInlineMax,
               bool shareLongValues = false)
{
    TableRowWriter writer(file, table, table.tdefPages.front(), memoInlineMax, shareLongValues);
    if (model.rowGenerator) {
        Row row;
        for (std::size_t i = 0; i < model.generatedRowCount; ++i) {
            row.clear();
            model.rowGenerator(i, row);
            writer.write(row, i);
        }
    } else {
        for (std::size_t i = 0; i < model.rows.size(); ++i)
            writer.write(model.rows[i], i);
    }
    writer.finish();
}

// ---- header page ------------------------------------------------------------------------------------

void writeHeaderPage(std::uint8_t* page, const QString& password)
{
    static const char kSignature[] = "Standard Jet DB";
    page[0] = 0x00;
    page[1] = 0x01;
    std::memcpy(page + 4, kSignature, sizeof kSignature);
    page[0x14] = 0x01;
    put16(page + 0x3C, 1252);
    put32(page + 0x3E, 0);
    // The password is kept as UCS-2, masked with the integer part of the creation date.
    std::uint8_t mask[4];
    put32(mask, std::uint32_t(std::int32_t(std::floor(kCreationDate))));
    std::vector<std::uint8_t> secret;
    appendText(password, TextForm::Plain, secret);
    secret.resize(40, 0);
    for (int i = 0; i < 40; ++i)
        page[0x42 + i] = secret[std::size_t(i)] ^ mask[i % 4];
    put32(page + 0x6E, 0x0409);
    std::uint64_t dateBits;
    std::memcpy(&dateBits, &kCreationDate, 8);
    put64(page + 0x72, dateBits);
    static const std::uint8_t kHeaderKey[4] = {0xC7, 0xDA, 0x39, 0x6B};
    rc4(kHeaderKey, 4, page + 0x18, 128);
}

// ---- the whole file ---------------------------------------------------------------------------------

QByteArray build(const DatabaseModel& model, WrittenLayout* layout)
{
    const WriteOptions& options = model.options;
    if (options.password.size() > 20)
        refuse(QStringLiteral("A database password has at most 20 characters"));

    std::vector<TableLayout> tables;
    tables.reserve(model.tables.size() + 1);
    const TableModel catalog = catalogSpec();
    tables.push_back(layoutTable(catalog, true));
    QSet<QString> tableNames{kCatalogName.toCaseFolded()};
    for (const TableModel& tableSpec : model.tables) {
        if (tableNames.contains(tableSpec.name.toCaseFolded()))
            refuse(QStringLiteral("Table \"%1\" is defined twice").arg(tableSpec.name));
        tableNames.insert(tableSpec.name.toCaseFolded());
        tables.push_back(layoutTable(tableSpec, false));
    }
    auto named = [&tables](const QString& name) -> TableLayout* {
        for (TableLayout& table : tables) {
            if (table.name.compare(name, Qt::CaseInsensitive) == 0)
                return &table;
        }
        refuse(QStringLiteral("A fault names table \"%1\", which is not written").arg(name));
    };
    if (!options.faults.zeroLengthPropertyTable.isEmpty())
        named(options.faults.zeroLengthPropertyTable)->propertyBlock = zeroLengthPropertyBlock();
    const TableLayout* emptyMapTable =
        options.faults.emptyUsageMapTable.isEmpty() ? nullptr : named(options.faults.emptyUsageMapTable);
    const TableLayout* sharedLongValueTable =
        options.faults.sharedLongValueTable.isEmpty() ? nullptr : named(options.faults.sharedLongValueTable);

    PageFile file;
    const std::uint32_t headerPage = file.allocate();
    initDataPage(file.page(file.allocate()), 0);  // page 1: the global usage map, which readers do not use
    for (TableLayout& table : tables) {
        table.longValueMaps.resize(std::size_t(table.longValueColumns));
        const int pages = tdefPageCount(table);
        for (int i = 0; i < pages; ++i)
            table.tdefPages.push_back(file.allocate());
    }
    Q_ASSERT(tables.front().tdefPages.front() == kCatalogPage);

    // Map pages: reserve every 69-byte map row now, so the definitions can point at them.
    constexpr int kMapRowsPerPage = (kPageSize - kDataHeaderSize) / (kUsageMapRowSize + 2);
    std::uint32_t mapPage = 0;
    const std::uint8_t blankMap[kUsageMapRowSize] = {};
    auto reserveMap = [&](bool empty) {
        if (!mapPage || get16(file.page(mapPage) + 12) >= std::uint32_t(kMapRowsPerPage)) {
            mapPage = file.allocate();
            initDataPage(file.page(mapPage), 0);
        }
        const std::uint32_t row = addRow(file.page(mapPage), blankMap, empty ? 0 : kUsageMapRowSize);
        return MapSlot{mapPage, row};
    };
    for (TableLayout& table : tables) {
        table.usedMap = reserveMap(&table == emptyMapTable);
        table.freeMap = reserveMap(false);
        for (auto& maps : table.longValueMaps)
            maps = {reserveMap(false), reserveMap(false)};
    }

    TableModel catalogRows = catalog;
    const OleDate created{kCreationDate};
    auto catalogRow = [&](std::uint32_t id, std::uint32_t parent, const QString& name, int type, std::uint32_t flags,
                          const QByteArray& properties) {
        Row row(catalog.columns.size());
        row[0] = qint64(std::int32_t(id));
        row[1] = qint64(std::int32_t(parent));
        row[2] = name;
        row[3] = type;
        row[4] = created;
        row[5] = created;
        row[7] = qint64(std::int32_t(flags));
        if (!properties.isEmpty())
            row[14] = properties;
        catalogRows.rows.push_back(std::move(row));
    };
    catalogRow(0x0F000001, 0x0F000000, QStringLiteral("Tables"), 3, kSystemObjectFlags, {});
    catalogRow(0x0F000002, 0x0F000000, QStringLiteral("Databases"), 3, kSystemObjectFlags, {});
    catalogRow(0x0F000003, 0x0F000000, QStringLiteral("Relationships"), 3, kSystemObjectFlags, {});
    catalogRow(kCatalogPage, kCatalogParentTables, kCatalogName, 1, kSystemObjectFlags, tables.front().propertyBlock);
    for (std::size_t t = 1; t < tables.size(); ++t)
        catalogRow(tables[t].tdefPages.front(), kCatalogParentTables, tables[t].name, 1, 0, tables[t].propertyBlock);
    if (options.catalogFirst)
        writeRows(file, tables.front(), catalogRows, options.memoInlineMax);
    for (std::size_t t = 1; t < tables.size(); ++t)
        writeRows(file, tables[t], model.tables[t - 1], options.memoInlineMax, &tables[t] == sharedLongValueTable);
    if (!options.catalogFirst)
        writeRows(file, tables.front(), catalogRows, options.memoInlineMax);

    UsageMapWriter maps(file);
    for (TableLayout& table : tables) {
        writeTableDefinition(file, table);
        if (&table != emptyMapTable)
            maps.write(table.usedMap, table.dataPages);
        maps.write(table.freeMap, {});
        for (std::size_t k = 0; k < table.longValueMaps.size(); ++k) {
            maps.write(table.longValueMaps[k].first, table.lvalPages[k]);
            maps.write(table.longValueMaps[k].second, {});
        }
    }
    if (file.pageCount() >= (1u << 24))
        refuse(QStringLiteral("The database is too large: %1 pages").arg(file.pageCount()));
    writeHeaderPage(file.page(headerPage), options.password);
    if (layout) {
        layout->pageCount = file.pageCount();
        layout->tables.clear();
        for (const TableLayout& table : tables)
            layout->tables.push_back(WrittenTable{table.name, table.tdefPages, table.dataPages, table.usedMap.pgRow(),
                                                  table.freeMap.pgRow(), table.lvalPages});
    }
    return file.take();
}

}  // namespace

QByteArray writeDatabase(const DatabaseModel& model, WrittenLayout* layout) { return build(model, layout); }

void writeDatabaseFile(const DatabaseModel& model, const QString& path)
{
    const QByteArray bytes = build(model, nullptr);
    // A temporary file beside the target, renamed over it when complete. Unlike QSaveFile this does not
    // sync to disk: the files are test data, and tests write many of them.
    QTemporaryFile out(path + QStringLiteral(".partial-XXXXXX"));
    if (!out.open())
        throw Error(ErrorNumber::FileSystem,
                    QStringLiteral("Cannot create a file beside %1: %2").arg(path, out.errorString()));
    if (out.write(bytes) != bytes.size() || !out.flush())
        throw Error(ErrorNumber::FileSystem, QStringLiteral("Cannot write %1: %2").arg(path, out.errorString()));
    out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                       | QFileDevice::ReadOther);
    // POSIX replaces the target in one step, the file still open. Windows moves only a file that no one
    // holds open and onto a free name: there QTemporaryFile::rename closes it, after the old file is gone.
    if (std::rename(QFile::encodeName(out.fileName()).constData(), QFile::encodeName(path).constData()) != 0
        && !((!QFile::exists(path) || QFile::remove(path)) && out.rename(path)))
        throw Error(ErrorNumber::FileSystem,
                    QStringLiteral("Cannot write %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    out.setAutoRemove(false);
}

}  // namespace volmira::jet4
