#include "jet3file.h"

#include "dictionary/rc4.h"

#include <cstring>
#include <stdexcept>
#include <utility>

namespace volmira::testjet3 {

namespace {

constexpr int kPageSize = 2048;
constexpr int kDataHeaderSize = 10;  // the row offsets follow the row count at 8
constexpr int kColumnsOffset = 43;   // of a definition without indexes
constexpr int kColumnEntrySize = 18;
constexpr int kUsageMapBytes = 16;  // an inline map of 128 pages
constexpr std::uint32_t kMapPage = 1;
constexpr std::uint32_t kLongValueOwner = 0x4C41564C;  // "LVAL"
constexpr int kLongestInlineMemo = 64;                 // longer memo text goes to the table's long-value page

void put16(std::uint8_t* p, std::uint32_t v)
{
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}
void put32(std::uint8_t* p, std::uint32_t v)
{
    put16(p, v);
    put16(p + 2, v >> 16);
}
std::uint32_t get16(const std::uint8_t* p) { return p[0] | (std::uint32_t(p[1]) << 8); }

void append16(QByteArray& bytes, std::uint32_t v)
{
    bytes.append(char(v & 0xFF));
    bytes.append(char((v >> 8) & 0xFF));
}
void append32(QByteArray& bytes, std::uint32_t v)
{
    append16(bytes, v & 0xFFFF);
    append16(bytes, v >> 16);
}

// Code page 1252: Latin-1, and the euro sign at 0x80 (the one letter of that range the tests use).
QByteArray codePageText(const QString& text)
{
    QByteArray bytes;
    for (const QChar c : text) {
        if (c.unicode() == 0x20AC)
            bytes.append(char(0x80));
        else if (c.unicode() <= 0xFF && (c.unicode() < 0x80 || c.unicode() >= 0xA0))
            bytes.append(char(c.unicode()));
        else
            throw std::invalid_argument("the text has a letter this writer cannot put in code page 1252");
    }
    return bytes;
}

bool isFixed(Jet3Type type) { return type == Jet3Type::Bool || type == Jet3Type::Integer || type == Jet3Type::Long; }
int fixedSize(Jet3Type type) { return type == Jet3Type::Integer ? 2 : type == Jet3Type::Long ? 4 : 0; }

void writeHeader(std::uint8_t* page)
{
    static const char kSignature[] = "Standard Jet DB";
    page[1] = 0x01;
    std::memcpy(page + 4, kSignature, sizeof kSignature);
    page[0x14] = 0x00;
    put16(page + 0x3A, 0x0409);
    put16(page + 0x3C, 1252);
    static const std::uint8_t kHeaderKey[4] = {0xC7, 0xDA, 0x39, 0x6B};
    rc4(kHeaderKey, 4, page + 0x18, 126);
}

void initDataPage(std::uint8_t* page, std::uint32_t owner)
{
    page[0] = 0x01;
    page[1] = 0x01;
    put16(page + 2, kPageSize - kDataHeaderSize);
    put32(page + 4, owner);
}

// Places a row below the lowest one; returns its row number.
std::uint32_t addRow(std::uint8_t* page, const QByteArray& row)
{
    const std::uint32_t rows = get16(page + 8);
    const std::uint32_t lowest = rows ? get16(page + kDataHeaderSize + 2 * (rows - 1)) : kPageSize;
    const std::uint32_t start = lowest - std::uint32_t(row.size());
    if (int(start) < kDataHeaderSize + 2 * int(rows + 1))
        throw std::length_error("the rows of a table do not fit on one page");
    std::memcpy(page + start, row.constData(), std::size_t(row.size()));
    put16(page + kDataHeaderSize + 2 * rows, start);
    put16(page + 8, rows + 1);
    put16(page + 2, start - (kDataHeaderSize + 2 * (rows + 1)));
    return rows;
}

struct Layout {
    std::vector<int> fixedOffset;  // per column, in the fixed area
    std::vector<int> varNumber;    // per column, among the variable ones; -1 for fixed
    int fixedAreaSize = 0;
    int varCount = 0;
};

Layout layoutOf(const Jet3Table& table)
{
    Layout layout;
    for (const Jet3Column& column : table.columns) {
        layout.fixedOffset.push_back(isFixed(column.type) ? layout.fixedAreaSize : 0);
        layout.varNumber.push_back(isFixed(column.type) ? -1 : layout.varCount);
        layout.fixedAreaSize += fixedSize(column.type);
        if (!isFixed(column.type))
            ++layout.varCount;
    }
    return layout;
}

// Column count, fixed area, variable data, then from the end: the null mask (a set bit is a value, or
// Yes), the number of variable columns, their start offsets in reverse order, and the end of their data.
QByteArray encodeRow(const Jet3Table& table, const Layout& layout, const std::vector<QVariant>& values,
                     std::uint8_t* longValuePage, std::uint32_t longValuePageNumber)
{
    const int columns = int(table.columns.size());
    if (int(values.size()) != columns)
        throw std::invalid_argument("a row has the wrong number of values");
    QByteArray row(1 + layout.fixedAreaSize, '\0');
    row[0] = char(columns);
    QByteArray nullMask((columns + 7) / 8, '\0');
    std::vector<int> varStarts;
    for (int c = 0; c < columns; ++c) {
        const Jet3Column& column = table.columns[std::size_t(c)];
        const QVariant& value = values[std::size_t(c)];
        const bool present = !value.isNull();
        if (column.type == Jet3Type::Bool) {
            if (present && value.toBool())
                nullMask[c / 8] = char(nullMask[c / 8] | (1 << (c % 8)));
            continue;
        }
        if (present)
            nullMask[c / 8] = char(nullMask[c / 8] | (1 << (c % 8)));
        auto* fixed = reinterpret_cast<std::uint8_t*>(row.data()) + 1 + layout.fixedOffset[std::size_t(c)];
        switch (column.type) {
        case Jet3Type::Integer:
            if (present)
                put16(fixed, std::uint32_t(value.toInt()));
            break;
        case Jet3Type::Long:
            if (present)
                put32(fixed, std::uint32_t(value.toInt()));
            break;
        case Jet3Type::Text:
            varStarts.push_back(int(row.size()));
            if (present)
                row.append(codePageText(value.toString()));
            break;
        case Jet3Type::Memo: {
            varStarts.push_back(int(row.size()));
            if (present) {
                const QByteArray text = codePageText(value.toString());
                // A 24-bit length with the kind in the fourth byte (0x80 inline, 0x40 a row of a
                // long-value page), the pg_row of that row, 4 unused bytes, then the inline text.
                if (text.size() <= kLongestInlineMemo) {
                    append32(row, std::uint32_t(text.size()) | 0x80000000u);
                    append32(row, 0);
                    append32(row, 0);
                    row.append(text);
                } else {
                    append32(row, std::uint32_t(text.size()) | 0x40000000u);
                    append32(row, (longValuePageNumber << 8) | addRow(longValuePage, text));
                    append32(row, 0);
                }
            }
            break;
        }
        case Jet3Type::Ole:
            varStarts.push_back(int(row.size()));
            if (present)
                throw std::invalid_argument("OLE values are not written");
            break;
        case Jet3Type::Bool: break;
        }
    }
    // The offsets keep their low byte only. A row longer than 256 bytes carries one jump byte per 256
    // bytes, just before the column count: the first offset (of n+1, the end included) at or past that
    // mark. A jump beyond the end of the data is written but not counted by readers.
    const int dataEnd = int(row.size());
    varStarts.push_back(dataEnd);
    const int trailerWithoutJumps = int(varStarts.size()) + 1 + int(nullMask.size());
    int jumps = 0;
    while ((dataEnd + trailerWithoutJumps + jumps - 1) / 256 > jumps)
        ++jumps;
    for (auto it = varStarts.rbegin(); it != varStarts.rend(); ++it)
        row.append(char(*it & 0xFF));
    for (int j = jumps - 1; j >= 0; --j) {
        int first = 0;
        while (first < int(varStarts.size()) && varStarts[std::size_t(first)] < 256 * (j + 1))
            ++first;
        row.append(char(first));
    }
    row.append(char(varStarts.size() - 1));
    row.append(nullMask);
    return row;
}

QByteArray encodeDefinition(const Jet3Table& table, const Layout& layout, bool system, std::uint32_t usedMap,
                            std::uint32_t freeMap)
{
    QByteArray bytes(kColumnsOffset, '\0');
    auto* p = reinterpret_cast<std::uint8_t*>(bytes.data());
    p[0] = 0x02;
    p[1] = 0x01;
    p[2] = 'V';
    p[3] = 'C';
    put32(p + 12, std::uint32_t(table.rows.size()));
    p[20] = system ? 0x53 : 0x4E;
    put16(p + 21, std::uint32_t(table.columns.size()));
    put16(p + 23, std::uint32_t(layout.varCount));
    put16(p + 25, std::uint32_t(table.columns.size()));
    put32(p + 35, usedMap);
    put32(p + 39, freeMap);
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
        const Jet3Column& column = table.columns[c];
        std::uint8_t entry[kColumnEntrySize] = {};
        entry[0] = std::uint8_t(column.type);
        put16(entry + 1, std::uint32_t(c));
        put16(entry + 3, std::uint32_t(layout.varNumber[c] < 0 ? 0 : layout.varNumber[c]));
        put16(entry + 5, std::uint32_t(c));
        put16(entry + 7, 0x0409);
        entry[13] = isFixed(column.type) ? 0x03 : 0x02;
        put16(entry + 14, std::uint32_t(layout.fixedOffset[c]));
        const int length = column.type == Jet3Type::Text ? column.size : fixedSize(column.type);
        put16(entry + 16, std::uint32_t(length));
        bytes.append(reinterpret_cast<const char*>(entry), kColumnEntrySize);
    }
    for (const Jet3Column& column : table.columns) {
        const QByteArray name = codePageText(column.name);
        bytes.append(char(name.size()));
        bytes.append(name);
    }
    if (bytes.size() > kPageSize)
        throw std::length_error("a table definition does not fit on one page");
    // The appends above may have moved the bytes.
    put32(reinterpret_cast<std::uint8_t*>(bytes.data()) + 8, std::uint32_t(bytes.size()));
    return bytes;
}

QByteArray usageMap(std::uint32_t dataPage)
{
    QByteArray map(5 + kUsageMapBytes, '\0');
    if (dataPage)
        map[5 + int(dataPage / 8)] = char(1 << (dataPage % 8));
    return map;
}

}  // namespace

QByteArray buildJet3File(const std::vector<Jet3Table>& tables)
{
    // Page 0 the header, page 1 the usage maps, then a definition, a data and a long-value page for each
    // table, the catalog's definition at page 2 as readers expect.
    Jet3Table catalog;
    catalog.name = QStringLiteral("MSysObjects");
    catalog.columns = {{QStringLiteral("Id"), Jet3Type::Long},       {QStringLiteral("ParentId"), Jet3Type::Long},
                       {QStringLiteral("Name"), Jet3Type::Text, 64}, {QStringLiteral("Type"), Jet3Type::Integer},
                       {QStringLiteral("Flags"), Jet3Type::Long},    {QStringLiteral("LvProp"), Jet3Type::Ole}};
    std::vector<const Jet3Table*> all{&catalog};
    for (const Jet3Table& table : tables)
        all.push_back(&table);
    const auto definitionPage = [](std::size_t index) { return std::uint32_t(2 + 3 * index); };
    if (definitionPage(all.size()) > 8 * kUsageMapBytes)
        throw std::length_error("too many tables for the usage maps");
    constexpr int kTableObject = 1;
    constexpr std::uint32_t kParentTables = 0x0F000001;
    for (std::size_t i = 0; i < all.size(); ++i) {
        const bool system = i == 0;
        catalog.rows.push_back({int(definitionPage(i)), int(kParentTables), all[i]->name, kTableObject,
                                system ? int(0x80000002u) : 0, QVariant()});
    }

    QByteArray file(kPageSize * int(definitionPage(all.size())), '\0');
    auto page = [&file](std::uint32_t number) {
        return reinterpret_cast<std::uint8_t*>(file.data()) + std::size_t(number) * kPageSize;
    };
    writeHeader(page(0));
    initDataPage(page(kMapPage), 0);
    for (std::size_t i = 0; i < all.size(); ++i) {
        const Jet3Table& table = *all[i];
        const std::uint32_t tdef = definitionPage(i);
        const Layout layout = layoutOf(table);
        const std::uint32_t usedMap = (kMapPage << 8) | addRow(page(kMapPage), usageMap(tdef + 1));
        const std::uint32_t freeMap = (kMapPage << 8) | addRow(page(kMapPage), usageMap(0));
        const QByteArray definition = encodeDefinition(table, layout, i == 0, usedMap, freeMap);
        std::memcpy(page(tdef), definition.constData(), std::size_t(definition.size()));
        initDataPage(page(tdef + 1), tdef);
        initDataPage(page(tdef + 2), kLongValueOwner);
        for (const std::vector<QVariant>& values : table.rows)
            addRow(page(tdef + 1), encodeRow(table, layout, values, page(tdef + 2), tdef + 2));
    }
    return file;
}

}  // namespace volmira::testjet3
