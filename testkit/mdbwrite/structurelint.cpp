#include "testkit/mdbwrite/structurelint.h"

#include "dictionary/reader/jetformat.h"
#include "testkit/mdbwrite/textcodec.h"

#include <QSet>

#include <algorithm>
#include <map>
#include <optional>
#include <vector>

namespace volmira::jet4 {

namespace {

constexpr int kMaxProblems = 200;
constexpr std::uint8_t kTypeBool = 0x01;
constexpr std::uint8_t kTypeOle = 0x0B;
constexpr std::uint8_t kTypeMemo = 0x0C;

struct ColumnDef {
    std::uint8_t type = 0;
    std::uint32_t number = 0;
    std::uint32_t varNumber = 0;
    bool fixed = false;
    std::uint32_t fixedOffset = 0;
    std::uint32_t length = 0;
    QString name;
    int longValueIndex = -1;
};

struct TableDef {
    QString name;
    std::uint32_t page = 0;
    std::uint32_t rowCount = 0;
    std::uint32_t usedMap = 0, freeMap = 0;
    std::uint32_t varColumns = 0;
    std::vector<ColumnDef> columns;                                 // by column number
    std::vector<std::pair<std::uint32_t, std::uint32_t>> longMaps;  // per long-value column: used, free
};

struct Field {
    bool present = false;
    const std::uint8_t* data = nullptr;
    std::uint32_t length = 0;
};

enum class PageUse : std::uint8_t { None, Header, GlobalMap, Definition, MapRows, TableData, Lval, Bitmap };

class Linter final {
public:
    explicit Linter(const QByteArray& file)
        : bytes_(reinterpret_cast<const std::uint8_t*>(file.constData())), size_(std::size_t(file.size()))
    {}

    LintReport run()
    {
        if (size_ % kPageSize != 0)
            problem(QStringLiteral("The file size %1 is not a multiple of %2").arg(size_).arg(kPageSize));
        pageCount_ = std::uint32_t(size_ / kPageSize);
        report_.pages = pageCount_;
        if (pageCount_ < 3) {
            problem(QStringLiteral("The file has %1 pages, fewer than a database needs").arg(pageCount_));
            return finish();
        }
        use_.assign(pageCount_, PageUse::None);
        checkHeader();
        for (std::uint32_t n = 1; n < pageCount_; ++n)
            checkPage(n);
        if (page(1)[0] == kPageData && get32(page(1) + 4) == 0)
            use_[1] = PageUse::GlobalMap;

        std::optional<TableDef> catalog = readDefinition(kCatalogPage, QStringLiteral("MSysObjects"));
        if (!catalog)
            return finish();
        std::vector<std::pair<QString, std::uint32_t>> userTables;
        checkTable(*catalog,
                   [&](const std::vector<Field>& fields) { collectCatalogRow(*catalog, fields, userTables); });
        for (const auto& [name, tdefPage] : userTables) {
            std::optional<TableDef> table = readDefinition(tdefPage, name);
            if (!table)
                continue;
            ++report_.tables;
            report_.rows += table->rowCount;
            checkTable(*table, nullptr);
        }
        checkPagesUsed();
        return finish();
    }

private:
    void problem(const QString& text)
    {
        if (report_.problems.size() < kMaxProblems)
            report_.problems << text;
    }

    LintReport finish() { return std::move(report_); }

    const std::uint8_t* page(std::uint32_t n) const { return bytes_ + std::size_t(n) * kPageSize; }
    bool validPage(std::uint32_t n) const { return n < pageCount_; }

    bool isDataPage(std::uint32_t n) const { return validPage(n) && n > 0 && page(n)[0] == kPageData; }

    void claim(std::uint32_t n, PageUse use, const QString& by)
    {
        if (!validPage(n))
            return;
        if (use_[n] != PageUse::None && use_[n] != use)
            problem(QStringLiteral("Page %1 is used twice (again by %2)").arg(n).arg(by));
        use_[n] = use;
    }

    // ---- pages ----

    void checkHeader()
    {
        const std::uint8_t* p = page(0);
        if (p[0] != kPageHeader || std::memcmp(p + 4, "Standard Jet DB", 15) != 0)
            problem(QStringLiteral("Page 0 is not a Jet database header"));
        if (p[0x14] != 0x01)
            problem(QStringLiteral("Page 0 does not mark the file as Jet 4.0 (version byte %1)").arg(p[0x14]));
        use_[0] = PageUse::Header;
    }

    void checkPage(std::uint32_t n)
    {
        const std::uint8_t* p = page(n);
        switch (p[0]) {
        case kPageData: {
            const std::uint32_t rows = get16(p + 12);
            if (rows > std::uint32_t(kMaxRowsPerPage) || kDataHeaderSize + 2 * rows > std::uint32_t(kPageSize)) {
                problem(QStringLiteral("Data page %1 claims %2 rows").arg(n).arg(rows));
                return;
            }
            std::uint32_t previous = kPageSize;
            for (std::uint32_t r = 0; r < rows; ++r) {
                const std::uint32_t offset = get16(p + kDataHeaderSize + 2 * r);
                if (offset & 0xC000)
                    problem(QStringLiteral("Data page %1, row %2: the offset %3 has the deleted or overflow flag")
                                .arg(n)
                                .arg(r)
                                .arg(offset));
                const std::uint32_t start = offset & kRowOffsetMask;
                if (start > previous || start < kDataHeaderSize + 2 * rows)
                    problem(QStringLiteral("Data page %1, row %2: the row starts at %3, outside %4..%5")
                                .arg(n)
                                .arg(r)
                                .arg(start)
                                .arg(kDataHeaderSize + 2 * rows)
                                .arg(previous));
                else
                    previous = start;
            }
            const std::uint32_t expectedFree = previous - (kDataHeaderSize + 2 * rows);
            if (get16(p + 2) != expectedFree)
                problem(QStringLiteral("Data page %1: the free space is %2, not %3")
                            .arg(n)
                            .arg(get16(p + 2))
                            .arg(expectedFree));
            break;
        }
        case kPageTableDefinition:
        case kPageUsageBitmap: break;
        default: problem(QStringLiteral("Page %1 has the unknown type %2").arg(n).arg(p[0]));
        }
    }

    // The bytes of row `row` of data page `n`, or nothing when the row does not exist.
    std::optional<std::pair<const std::uint8_t*, std::uint32_t>> rowAt(std::uint32_t n, std::uint32_t row) const
    {
        if (!isDataPage(n))
            return std::nullopt;
        const std::uint8_t* p = page(n);
        const std::uint32_t rows = get16(p + 12);
        if (row >= rows || rows > std::uint32_t(kMaxRowsPerPage))
            return std::nullopt;
        const std::uint32_t start = get16(p + kDataHeaderSize + 2 * row) & kRowOffsetMask;
        const std::uint32_t end = row ? get16(p + kDataHeaderSize + 2 * (row - 1)) & kRowOffsetMask : kPageSize;
        if (start > end || end > std::uint32_t(kPageSize))
            return std::nullopt;
        return std::make_pair(p + start, end - start);
    }

    // ---- table definitions ----

    std::optional<TableDef> readDefinition(std::uint32_t first, const QString& name)
    {
        const QString where = QStringLiteral("Table \"%1\" (definition page %2)").arg(name, QString::number(first));
        std::vector<std::uint8_t> stream;
        std::vector<std::uint32_t> pages;
        QSet<std::uint32_t> seen;
        for (std::uint32_t n = first; n != 0;) {
            if (!validPage(n) || page(n)[0] != kPageTableDefinition || page(n)[1] != 0x01) {
                problem(QStringLiteral("%1: page %2 of the definition is not a definition page")
                            .arg(where, QString::number(n)));
                return std::nullopt;
            }
            if (seen.contains(n)) {
                problem(
                    QStringLiteral("%1: the definition pages form a loop at page %2").arg(where, QString::number(n)));
                return std::nullopt;
            }
            seen.insert(n);
            pages.push_back(n);
            claim(n, PageUse::Definition, where);
            stream.insert(stream.end(), page(n) + kTdefHeaderSize, page(n) + kPageSize);
            n = get32(page(n) + 4);
        }
        auto s = [&stream](std::size_t pageOffset) { return stream.data() + (pageOffset - kTdefHeaderSize); };
        auto fits = [&stream](std::size_t streamOffset, std::size_t length) {
            return streamOffset + length <= stream.size();
        };

        TableDef table;
        table.name = name;
        table.page = first;
        const std::uint32_t declaredLength = get32(s(8));
        table.rowCount = get32(s(16));
        const std::uint32_t columnCount = get16(s(45));
        table.varColumns = get16(s(43));
        const std::uint32_t indexes = get32(s(47));
        const std::uint32_t realIndexes = get32(s(51));
        table.usedMap = get32(s(55));
        table.freeMap = get32(s(59));
        if (get16(s(41)) < columnCount)
            problem(QStringLiteral("%1: max_cols %2 is below the %3 columns")
                        .arg(where, QString::number(get16(s(41))), QString::number(columnCount)));

        std::size_t at = kTdefColumnsOffset - kTdefHeaderSize + 12 * std::size_t(realIndexes);
        if (!fits(at, std::size_t(columnCount) * kTdefColumnEntrySize)) {
            problem(QStringLiteral("%1: %2 column entries do not fit the definition")
                        .arg(where, QString::number(columnCount)));
            return std::nullopt;
        }
        std::vector<ColumnDef> columns(columnCount);
        for (std::uint32_t i = 0; i < columnCount; ++i, at += kTdefColumnEntrySize) {
            const std::uint8_t* e = stream.data() + at;
            ColumnDef& c = columns[i];
            c.type = e[0];
            c.number = get16(e + 5);
            c.varNumber = get16(e + 7);
            c.fixed = e[15] & 0x01;
            c.fixedOffset = get16(e + 21);
            c.length = get16(e + 23);
        }
        for (ColumnDef& c : columns) {
            if (!fits(at, 2) || !fits(at + 2, get16(stream.data() + at))) {
                problem(QStringLiteral("%1: the column names do not fit the definition").arg(where));
                return std::nullopt;
            }
            const std::uint32_t length = get16(stream.data() + at);
            c.name = decodeText(stream.data() + at + 2, length);
            at += 2 + length;
        }
        at += 52 * std::size_t(realIndexes) + 28 * std::size_t(indexes);
        for (std::uint32_t i = 0; i < indexes; ++i) {
            if (!fits(at, 2))
                break;
            at += 2 + get16(stream.data() + at);
        }
        std::map<std::uint32_t, std::pair<std::uint32_t, std::uint32_t>> longMaps;
        while (true) {
            if (!fits(at, 10)) {
                problem(QStringLiteral("%1: the column map list has no end").arg(where));
                return std::nullopt;
            }
            const std::uint8_t* e = stream.data() + at;
            at += 10;
            if (get16(e) == 0xFFFF)
                break;
            longMaps[get16(e)] = {get32(e + 2), get32(e + 6)};
        }
        if (declaredLength != at)
            problem(QStringLiteral("%1: tdef_len is %2, the definition is %3 bytes")
                        .arg(where, QString::number(declaredLength), QString::number(at)));
        const std::size_t neededPages = (at + kTdefPayload - 1) / kTdefPayload;
        if (pages.size() != neededPages)
            problem(QStringLiteral("%1: %2 definition pages for %3 bytes")
                        .arg(where, QString::number(pages.size()), QString::number(at)));
        for (std::size_t i = 0; i < pages.size(); ++i) {
            const std::size_t used =
                std::min<std::size_t>(kTdefPayload, at > i * kTdefPayload ? at - i * kTdefPayload : 0);
            if (get16(page(pages[i]) + 2) != kTdefPayload - used)
                problem(QStringLiteral("%1: page %2 has the free space %3, not %4")
                            .arg(where, QString::number(pages[i]), QString::number(get16(page(pages[i]) + 2)),
                                 QString::number(kTdefPayload - used)));
        }

        // Columns: numbers 0..n-1, variable numbers 0..v-1, fixed fields inside the fixed area.
        table.columns.resize(columnCount);
        std::vector<bool> numberSeen(columnCount), varSeen(table.varColumns);
        for (const ColumnDef& c : columns) {
            if (c.number >= columnCount || numberSeen[c.number]) {
                problem(QStringLiteral("%1: column \"%2\" has the bad or repeated number %3")
                            .arg(where, c.name, QString::number(c.number)));
                return std::nullopt;
            }
            numberSeen[c.number] = true;
            table.columns[c.number] = c;
            if (!c.fixed) {
                if (c.varNumber >= table.varColumns || varSeen[c.varNumber]) {
                    problem(QStringLiteral("%1: column \"%2\" has the bad or repeated variable number %3")
                                .arg(where, c.name, QString::number(c.varNumber)));
                    return std::nullopt;
                }
                varSeen[c.varNumber] = true;
            }
        }
        if (std::count(varSeen.begin(), varSeen.end(), true) != std::ptrdiff_t(table.varColumns))
            problem(QStringLiteral("%1: num_var_cols is %2, but fewer columns are variable")
                        .arg(where, QString::number(table.varColumns)));
        for (ColumnDef& c : table.columns) {
            if (c.type == kTypeMemo || c.type == kTypeOle) {
                const auto found = longMaps.find(c.number);
                if (found == longMaps.end()) {
                    problem(QStringLiteral("%1: long-value column \"%2\" has no usage map entry").arg(where, c.name));
                    continue;
                }
                c.longValueIndex = int(table.longMaps.size());
                table.longMaps.push_back(found->second);
            }
        }
        return table;
    }

    // ---- usage maps ----

    // The pages a usage map lists; nothing when the map row cannot be read.
    std::optional<std::vector<std::uint32_t>> readMap(std::uint32_t pgRow, const QString& where)
    {
        const auto row = rowAt(pgRow >> 8, pgRow & 0xFF);
        if (!row) {
            problem(QStringLiteral("%1: the usage map row %2:%3 does not exist")
                        .arg(where, QString::number(pgRow >> 8), QString::number(pgRow & 0xFF)));
            return std::nullopt;
        }
        claim(pgRow >> 8, PageUse::MapRows, where);
        const auto [data, length] = *row;
        if (length == 0) {
            problem(QStringLiteral("%1: the usage map is empty (a row of length 0)").arg(where));
            return std::nullopt;
        }
        std::vector<std::uint32_t> pages;
        if (data[0] == 0) {
            if (length < 5) {
                problem(QStringLiteral("%1: the usage map has %2 bytes").arg(where, QString::number(length)));
                return std::nullopt;
            }
            const std::uint32_t start = get32(data + 1);
            for (std::uint32_t bit = 0; bit < (length - 5) * 8; ++bit) {
                if (data[5 + bit / 8] & (1u << (bit % 8)))
                    pages.push_back(start + bit);
            }
        } else if (data[0] == 1) {
            for (std::uint32_t k = 0; 1 + 4 * k + 4 <= length; ++k) {
                const std::uint32_t bitmapPage = get32(data + 1 + 4 * k);
                if (!bitmapPage)
                    continue;
                if (!validPage(bitmapPage) || page(bitmapPage)[0] != kPageUsageBitmap) {
                    problem(QStringLiteral("%1: the usage map points to page %2, which is not a bitmap page")
                                .arg(where, QString::number(bitmapPage)));
                    continue;
                }
                claim(bitmapPage, PageUse::Bitmap, where);
                const std::uint8_t* bitmap = page(bitmapPage) + 4;
                for (std::uint32_t bit = 0; bit < kBitmapPagePages; ++bit) {
                    if (bitmap[bit / 8] & (1u << (bit % 8)))
                        pages.push_back(k * kBitmapPagePages + bit);
                }
            }
        } else {
            problem(QStringLiteral("%1: the usage map has the unknown type %2").arg(where, QString::number(data[0])));
            return std::nullopt;
        }
        return pages;
    }

    // ---- rows ----

    template <typename OnRow>
    void checkTable(const TableDef& table, OnRow onRow)
    {
        const QString where = QStringLiteral("Table \"%1\"").arg(table.name);
        readMap(table.freeMap, where + QStringLiteral(" (free-page map)"));
        std::vector<QSet<std::uint32_t>> lvalMaps(table.longMaps.size());
        for (std::size_t k = 0; k < table.longMaps.size(); ++k) {
            const QString mapWhere = QStringLiteral("%1 (map of long-value column %2)").arg(where, QString::number(k));
            if (const auto pages = readMap(table.longMaps[k].first, mapWhere)) {
                for (const std::uint32_t n : *pages) {
                    if (!isDataPage(n) || get32(page(n) + 4) != kLvalOwner)
                        problem(QStringLiteral("%1 lists page %2, which is not an LVAL page")
                                    .arg(mapWhere, QString::number(n)));
                    lvalMaps[k].insert(n);
                    claim(n, PageUse::Lval, mapWhere);
                }
            }
            readMap(table.longMaps[k].second, mapWhere + QStringLiteral(" (free)"));
        }

        const auto pages = readMap(table.usedMap, where);
        if (!pages)
            return;
        QSet<std::uint32_t> listed;
        std::uint64_t rows = 0;
        for (const std::uint32_t n : *pages) {
            listed.insert(n);
            if (!isDataPage(n) || get32(page(n) + 4) != table.page) {
                problem(QStringLiteral("%1: its usage map lists page %2, which does not belong to it")
                            .arg(where, QString::number(n)));
                continue;
            }
            claim(n, PageUse::TableData, where);
            const std::uint32_t count = get16(page(n) + 12);
            for (std::uint32_t r = 0; r < count; ++r) {
                const auto row = rowAt(n, r);
                if (!row)
                    continue;
                ++rows;
                std::vector<Field> fields;
                if (crackRow(table, row->first, row->second,
                             QStringLiteral("%1, page %2, row %3").arg(where, QString::number(n), QString::number(r)),
                             fields)) {
                    checkLongValues(
                        table, fields, lvalMaps,
                        QStringLiteral("%1, page %2, row %3").arg(where, QString::number(n), QString::number(r)));
                    if constexpr (!std::is_same_v<OnRow, std::nullptr_t>)
                        onRow(fields);
                }
            }
        }
        for (std::uint32_t n = 1; n < pageCount_; ++n) {
            if (isDataPage(n) && get32(page(n) + 4) == table.page && !listed.contains(n))
                problem(QStringLiteral("%1: page %2 belongs to it but is missing from its usage map")
                            .arg(where, QString::number(n)));
        }
        if (rows != table.rowCount)
            problem(QStringLiteral("%1: the definition counts %2 rows, the pages hold %3")
                        .arg(where, QString::number(table.rowCount), QString::number(rows)));
    }

    bool crackRow(const TableDef& table, const std::uint8_t* row, std::uint32_t length, const QString& where,
                  std::vector<Field>& fields)
    {
        const std::uint32_t columns = std::uint32_t(table.columns.size());
        const std::uint32_t maskBytes = (columns + 7) / 8;
        if (length < 2 + maskBytes) {
            problem(QStringLiteral("%1: the row has %2 bytes, too few for its header and null mask")
                        .arg(where, QString::number(length)));
            return false;
        }
        if (get16(row) != columns) {
            problem(QStringLiteral("%1: the row has %2 columns, the table %3")
                        .arg(where, QString::number(get16(row)), QString::number(columns)));
            return false;
        }
        const std::uint8_t* mask = row + length - maskBytes;
        std::uint32_t fixedEnd = length - maskBytes;
        std::vector<std::uint32_t> varOffsets;
        std::uint32_t eod = 0;
        if (table.varColumns) {
            const std::uint32_t tableBytes = 2 + 2 * table.varColumns + 2;
            if (length < 2 + maskBytes + tableBytes) {
                problem(QStringLiteral("%1: the row is too short for its variable-column table").arg(where));
                return false;
            }
            const std::uint32_t count = get16(row + length - maskBytes - 2);
            if (count != table.varColumns) {
                problem(QStringLiteral("%1: the row has %2 variable columns, the table %3")
                            .arg(where, QString::number(count), QString::number(table.varColumns)));
                return false;
            }
            const std::uint32_t tableStart = length - maskBytes - tableBytes;
            eod = get16(row + tableStart);
            varOffsets.resize(count + 1);
            for (std::uint32_t v = 0; v < count; ++v)
                varOffsets[v] = get16(row + length - maskBytes - 2 - 2 * (v + 1));
            varOffsets[count] = eod;
            for (std::uint32_t v = 0; v < count; ++v) {
                if (varOffsets[v] > varOffsets[v + 1]) {
                    problem(QStringLiteral("%1: variable column %2 starts at %3, after the next at %4")
                                .arg(where, QString::number(v), QString::number(varOffsets[v]),
                                     QString::number(varOffsets[v + 1])));
                    return false;
                }
            }
            if (eod > tableStart) {
                problem(QStringLiteral("%1: the variable data ends at %2, inside the offset table at %3")
                            .arg(where, QString::number(eod), QString::number(tableStart)));
                return false;
            }
            fixedEnd = varOffsets[0];
        }
        fields.assign(columns, Field{});
        for (const ColumnDef& c : table.columns) {
            Field& f = fields[c.number];
            f.present = mask[c.number / 8] & (1u << (c.number % 8));
            if (c.type == kTypeBool)
                continue;
            if (c.fixed) {
                if (2 + c.fixedOffset + c.length > fixedEnd) {
                    problem(QStringLiteral("%1: fixed column \"%2\" lies outside the fixed area").arg(where, c.name));
                    return false;
                }
                f.data = row + 2 + c.fixedOffset;
                f.length = c.length;
            } else {
                f.data = row + varOffsets[c.varNumber];
                f.length = varOffsets[c.varNumber + 1] - varOffsets[c.varNumber];
                if (!f.present && f.length)
                    problem(QStringLiteral("%1: Null column \"%2\" has %3 bytes")
                                .arg(where, c.name, QString::number(f.length)));
                if (c.type != kTypeMemo && c.type != kTypeOle && f.length > c.length)
                    problem(QStringLiteral("%1: column \"%2\" holds %3 bytes, more than its %4")
                                .arg(where, c.name, QString::number(f.length), QString::number(c.length)));
            }
        }
        return true;
    }

    void checkLongValues(const TableDef& table, const std::vector<Field>& fields,
                         const std::vector<QSet<std::uint32_t>>& lvalMaps, const QString& where)
    {
        for (const ColumnDef& c : table.columns) {
            const Field& f = fields[c.number];
            if (c.longValueIndex < 0 || !f.present || f.length == 0)
                continue;
            const QString at = QStringLiteral("%1, column \"%2\"").arg(where, c.name);
            if (f.length < std::uint32_t(kLongValueHeaderSize)) {
                problem(QStringLiteral("%1: a long value of %2 bytes has no full header")
                            .arg(at, QString::number(f.length)));
                continue;
            }
            const std::uint32_t length = get24(f.data);
            const std::uint8_t flags = f.data[3];
            const std::uint32_t pgRow = get32(f.data + 4);
            const QSet<std::uint32_t>& map = lvalMaps[std::size_t(c.longValueIndex)];
            if (flags == kLongValueInline) {
                if (kLongValueHeaderSize + length != f.length)
                    problem(QStringLiteral("%1: the inline value claims %2 bytes and holds %3")
                                .arg(at)
                                .arg(length)
                                .arg(f.length - kLongValueHeaderSize));
            } else if (flags == kLongValueSingle) {
                if (f.length != std::uint32_t(kLongValueHeaderSize))
                    problem(QStringLiteral("%1: an LVAL reference of %2 bytes").arg(at, QString::number(f.length)));
                const auto row = lvalRow(pgRow, map, at);
                if (row && row->second != length)
                    problem(QStringLiteral("%1: the LVAL row has %2 bytes, the header says %3")
                                .arg(at)
                                .arg(row->second)
                                .arg(length));
            } else if (flags == kLongValueChained) {
                std::uint64_t total = 0;
                QSet<std::uint32_t> seen;
                for (std::uint32_t next = pgRow; next;) {
                    if (seen.contains(next)) {
                        problem(QStringLiteral("%1: the LVAL chain loops").arg(at));
                        break;
                    }
                    seen.insert(next);
                    const auto row = lvalRow(next, map, at);
                    if (!row)
                        break;
                    if (row->second < 4) {
                        problem(
                            QStringLiteral("%1: an LVAL chain row of %2 bytes").arg(at, QString::number(row->second)));
                        break;
                    }
                    total += row->second - 4;
                    next = get32(row->first);
                }
                if (total != length)
                    problem(QStringLiteral("%1: the LVAL chain holds %2 bytes, the header says %3")
                                .arg(at)
                                .arg(total)
                                .arg(length));
            } else {
                problem(QStringLiteral("%1: unknown long-value flags %2").arg(at, QString::number(flags)));
            }
        }
    }

    std::optional<std::pair<const std::uint8_t*, std::uint32_t>>
    lvalRow(std::uint32_t pgRow, const QSet<std::uint32_t>& map, const QString& at)
    {
        const std::uint32_t n = pgRow >> 8;
        const auto row = rowAt(n, pgRow & 0xFF);
        if (!row || get32(page(n) + 4) != kLvalOwner) {
            problem(QStringLiteral("%1: the LVAL row %2:%3 does not exist")
                        .arg(at, QString::number(n), QString::number(pgRow & 0xFF)));
            return std::nullopt;
        }
        if (!map.contains(n))
            problem(
                QStringLiteral("%1: LVAL page %2 is missing from the column's usage map").arg(at, QString::number(n)));
        return row;
    }

    // ---- catalog ----

    void collectCatalogRow(const TableDef& catalog, const std::vector<Field>& fields,
                           std::vector<std::pair<QString, std::uint32_t>>& tables)
    {
        auto column = [&catalog](const char* name) -> const ColumnDef* {
            for (const ColumnDef& c : catalog.columns) {
                if (c.name == QLatin1String(name))
                    return &c;
            }
            return nullptr;
        };
        const ColumnDef* id = column("Id");
        const ColumnDef* name = column("Name");
        const ColumnDef* type = column("Type");
        const ColumnDef* flags = column("Flags");
        if (!id || !name || !type || !flags || !column("LvProp")) {
            if (!catalogColumnsMissing_)
                problem(QStringLiteral("The catalog lacks one of the columns Id, Name, Type, Flags and LvProp"));
            catalogColumnsMissing_ = true;
            return;
        }
        const Field& idField = fields[id->number];
        const Field& typeField = fields[type->number];
        const Field& flagsField = fields[flags->number];
        if (!idField.data || !typeField.data || !flagsField.data || idField.length < 4 || typeField.length < 2
            || flagsField.length < 4)
            return;
        const bool isTable = (get16(typeField.data) & 0x7F) == 1;
        const bool system = get32(flagsField.data) & 0x80000002u;
        const std::uint32_t tdefPage = get32(idField.data) & 0xFFFFFF;
        if (!isTable || system || tdefPage == kCatalogPage)
            return;
        const Field& nameField = fields[name->number];
        tables.emplace_back(nameField.data ? decodeText(nameField.data, nameField.length) : QString(), tdefPage);
    }

    void checkPagesUsed()
    {
        for (std::uint32_t n = 0; n < pageCount_; ++n) {
            if (use_[n] == PageUse::None)
                problem(QStringLiteral("Page %1 (type %2) is used by nothing").arg(n).arg(page(n)[0]));
        }
    }

    const std::uint8_t* bytes_;
    std::size_t size_;
    std::uint32_t pageCount_ = 0;
    std::vector<PageUse> use_;
    bool catalogColumnsMissing_ = false;
    LintReport report_;
};

}  // namespace

LintReport lintStructure(const QByteArray& file) { return Linter(file).run(); }

}  // namespace volmira::jet4
