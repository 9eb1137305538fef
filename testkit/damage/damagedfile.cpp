#include "testkit/damage/damagedfile.h"

#include "testkit/mdbwrite/databasewriter.h"
#include "dictionary/reader/jetformat.h"
#include "testkit/mdbwrite/syntheticdictionary.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <map>
#include <set>

namespace volmira::damage {

using namespace volmira::jet4;

namespace {

std::uint64_t splitMix(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// Draws from a seed; the same seed gives the same draws on every platform (no std distributions).
class Draw final {
public:
    explicit Draw(std::uint64_t seed) : state_(splitMix(seed)) {}
    std::uint64_t next() { return state_ = splitMix(state_); }
    std::size_t below(std::size_t n) { return n ? std::size_t(next() % n) : 0; }
    std::size_t between(std::size_t low, std::size_t high) { return low + below(high - low + 1); }
    template <class T, std::size_t N>
    const T& pick(const std::array<T, N>& items)
    {
        return items[below(N)];
    }

private:
    std::uint64_t state_;
};

// ---- the originals ----------------------------------------------------------------------------------

// A small dictionary written row by row: Accounting tables whose definitions are inline, single-LVAL and
// chained-LVAL memos, text in Latin-1 (stored compressed) and beyond (Greek, CJK: stored as UCS-2), Null
// screen labels, and a release table whose numbers are text.
DatabaseModel handmadeDictionary()
{
    DatabaseModel model;
    addDictionaryMainTable(model);
    addDictionaryDescriptionTable(model);
    addDictionaryValuesTable(model);
    model.addTable(QStringLiteral("CDS_TBL_RELS_RELEASES")).addColumn(QStringLiteral("Rels_No"), ColumnType::Text, 10);
    // Taken only now: adding a table may move the others.
    TableModel& main = model.tables[0];
    TableModel& descriptions = model.tables[1];
    TableModel& values = model.tables[2];
    TableModel& releases = model.tables[3];

    const QStringList tables = {QStringLiteral("CMC_ACCT_LEDGER"), QStringLiteral("CMC_ACCT_MÜLLER_ÜBERSICHT"),
                                QStringLiteral("CMC_ACCT_ΛΟΓΑΡΙΑΣΜΟΣ"), QStringLiteral("CMC_BILL_INVOICE")};
    const QString longDefinition = QStringLiteral("Der Betrag wird täglich geprüft; 数据字典 entry. ").repeated(200);
    const QString mediumDefinition =
        QStringLiteral("The ledger account of the member's claim, naïvely kept. ").repeated(15);
    for (int t = 0; t < tables.size(); ++t) {
        const QString area = t == 3 ? QStringLiteral("bill") : QStringLiteral("acct");
        for (int c = 1; c <= 14; ++c) {
            const QString column = QStringLiteral("%1_COL_%2").arg(area.toUpper()).arg(c, 2, 10, QLatin1Char('0'));
            const QString definition = c == 1       ? longDefinition
                                       : c % 3 == 0 ? QStringLiteral("Short %1").arg(c)
                                                    : mediumDefinition.left(100 + 40 * c);
            main.rows.push_back({tables[t], column, area, c % 2 ? "char" : "money", c % 2 ? Value("12") : Value("10,2"),
                                 QStringLiteral("Größe %1 – Ωμέγα").arg(c), definition, c == 1, c == 2, qint64(15 - c),
                                 c % 4 ? Value(QStringLiteral("Label « %1 »").arg(c)) : Value(),
                                 c % 4 ? Value("TextBox") : Value()});
            if (c % 2)
                for (int v = 1; v <= 4; ++v)
                    values.rows.push_back(
                        {QStringLiteral("V%1").arg(v), QStringLiteral("Wert %1 – 値").arg(v), area, tables[t], column});
        }
        descriptions.rows.push_back({tables[t], t == 0 ? longDefinition : mediumDefinition,
                                     QStringLiteral("Logical name of %1").arg(tables[t]), area});
    }
    for (const char* release : {"449", "450", "451", "448"})
        releases.rows.push_back({release});
    return model;
}

BaseDictionary written(const QString& name, const DatabaseModel& model) { return {name, writeDatabase(model)}; }

// ---- where the structures are -----------------------------------------------------------------------

struct Field {
    qsizetype offset;
    int width;  // 2 or 4
};

// The byte ranges and fields of a file's structures, found by walking its pages the way readers do.
// The walk trusts nothing: it is made on the undamaged original, but a field found is only a place.
class Structures final {
public:
    explicit Structures(const QByteArray& file) : file_(file), pages_(file.size() / kPageSize)
    {
        for (qsizetype p = 0; p < pages_; ++p) {
            const std::uint8_t type = byte(p * kPageSize);
            if (type == kPageTableDefinition)
                readTableDefinition(p);
        }
        for (qsizetype p = 1; p < pages_; ++p) {
            if (byte(p * kPageSize) == kPageData)
                readDataPage(p);
        }
        // The next-row pointers at the start of chained long-value rows.
        for (std::uint32_t pgRow : chainedRows_) {
            const qsizetype base = qsizetype(pgRow >> 8) * kPageSize;
            const qsizetype start = base + (u16(base + kDataHeaderSize + 2 * (pgRow & 0xFF)) & kRowOffsetMask);
            if (start > base)
                add32(start);
        }
    }

    qsizetype pages() const { return pages_; }
    const std::vector<qsizetype>& catalogPages() const { return catalogPages_; }
    const std::vector<qsizetype>& tdefPages() const { return userTdefPages_; }
    const std::vector<std::pair<qsizetype, qsizetype>>& rowOffsetTables() const { return rowOffsetTables_; }
    const std::vector<Field>& fields16() const { return fields16_; }
    const std::vector<Field>& fields32() const { return fields32_; }

private:
    struct TableShape {
        int columns = 0;
        int varColumns = 0;
        std::vector<int> longValueVarNumbers;  // var_num of each memo/OLE column
    };

    std::uint8_t byte(qsizetype at) const { return at < file_.size() ? std::uint8_t(file_[at]) : 0; }
    std::uint32_t u16(qsizetype at) const { return byte(at) | std::uint32_t(byte(at + 1)) << 8; }
    std::uint32_t u32(qsizetype at) const { return u16(at) | u16(at + 2) << 16; }
    void add16(qsizetype at)
    {
        if (at + 2 <= file_.size())
            fields16_.push_back({at, 2});
    }
    void add32(qsizetype at)
    {
        if (at + 4 <= file_.size())
            fields32_.push_back({at, 4});
    }

    void readTableDefinition(qsizetype page)
    {
        const qsizetype base = page * kPageSize;
        if (u32(base + 8) == 0)  // a continuation page of a longer definition
            return;
        (page == kCatalogPage ? catalogPages_ : userTdefPages_).push_back(page);
        add16(base + 2);
        add32(base + 4);
        add32(base + 8);
        add32(base + 16);
        for (int at : {41, 43, 45})
            add16(base + at);
        for (int at : {47, 51, 55, 59})
            add32(base + at);
        TableShape shape;
        shape.columns = int(u16(base + 45));
        shape.varColumns = int(u16(base + 43));
        qsizetype at = base + kTdefColumnsOffset;
        for (int c = 0; c < shape.columns && at + kTdefColumnEntrySize <= base + kPageSize;
             ++c, at += kTdefColumnEntrySize) {
            for (int f : {5, 7, 9, 11, 21, 23})
                add16(at + f);
            const std::uint8_t type = byte(at);
            if (type == 0x0B || type == 0x0C)
                shape.longValueVarNumbers.push_back(int(u16(at + 7)));
        }
        for (int c = 0; c < shape.columns && at + 2 <= base + kPageSize; ++c) {
            add16(at);
            at += 2 + u16(at);
        }
        for (std::size_t m = 0; m < shape.longValueVarNumbers.size() && at + 10 <= base + kPageSize; ++m, at += 10) {
            add16(at);
            add32(at + 2);
            add32(at + 6);
        }
        shapes_[std::uint32_t(page)] = shape;
    }

    void readDataPage(qsizetype page)
    {
        const qsizetype base = page * kPageSize;
        const std::uint32_t owner = u32(base + 4);
        const int rows = int(std::min<std::uint32_t>(u16(base + 12), kMaxRowsPerPage));
        if (owner == kCatalogPage)
            catalogPages_.push_back(page);
        add16(base + 2);
        add32(base + 4);
        add16(base + 12);
        rowOffsetTables_.push_back({base + 12, base + kDataHeaderSize + 2 * rows});
        qsizetype end = base + kPageSize;
        for (int r = 0; r < rows; ++r) {
            const qsizetype entry = base + kDataHeaderSize + 2 * r;
            add16(entry);
            const qsizetype start = base + (u16(entry) & kRowOffsetMask);
            if (start < base + kDataHeaderSize || start > end)
                break;
            if (owner == 0 && end - start == kUsageMapRowSize)
                add32(start + 1);
            else if (auto shape = shapes_.find(owner); shape != shapes_.end())
                readRow(shape->second, start, end);
            end = start;
        }
    }

    void readRow(const TableShape& shape, qsizetype start, qsizetype end)
    {
        add16(start);
        if (shape.varColumns == 0)
            return;
        const qsizetype mask = (shape.columns + 7) / 8;
        const qsizetype count = end - mask - 2;
        if (count < start + 2)
            return;
        const int vars = int(u16(count));
        add16(count);
        for (int v = 0; v <= vars && count - 2 * (v + 1) >= start; ++v)
            add16(count - 2 * (v + 1));  // var_offset[v], and eod last
        for (int varNumber : shape.longValueVarNumbers) {
            if (varNumber >= vars || count - 2 * (varNumber + 1) < start)
                continue;
            const qsizetype header = start + u16(count - 2 * (varNumber + 1));
            if (header + kLongValueHeaderSize > end)
                continue;
            add32(header);
            add32(header + 4);
            if (byte(header + 3) == kLongValueChained)
                chainedRows_.push_back(u32(header + 4));
        }
    }

    const QByteArray& file_;
    qsizetype pages_;
    std::map<std::uint32_t, TableShape> shapes_;
    std::vector<std::uint32_t> chainedRows_;
    std::vector<qsizetype> catalogPages_;
    std::vector<qsizetype> userTdefPages_;
    std::vector<std::pair<qsizetype, qsizetype>> rowOffsetTables_;
    std::vector<Field> fields16_;
    std::vector<Field> fields32_;
};

// ---- the kinds of damage ----------------------------------------------------------------------------

QString hex(qsizetype offset) { return QStringLiteral("0x%1").arg(offset, 0, 16); }

class Damager final {
public:
    Damager(const QByteArray& original, std::uint64_t seed) : bytes_(original), draw_(seed), structures_(original) {}

    DamagedFile run()
    {
        if (bytes_.isEmpty())
            return {QStringLiteral("empty original"), bytes_};
        const std::size_t kind = draw_.below(100);
        if (kind < 2)
            tiny();
        else if (kind < 8)
            truncateAtPage();
        else if (kind < 13)
            truncateAnywhere();
        else if (kind < 88)
            oneChange();
        else
            for (std::size_t n = draw_.between(2, 4); n > 0; --n)
                oneChange();
        return {notes_.join(QStringLiteral("; ")), bytes_};
    }

private:
    void note(const QString& text) { notes_ << text; }
    qsizetype pages() const { return bytes_.size() / kPageSize; }
    void set(qsizetype at, std::uint8_t value)
    {
        if (at >= 0 && at < bytes_.size())
            bytes_[at] = char(value);
    }
    std::uint8_t randomByte()
    {
        static constexpr std::array<std::uint8_t, 6> kSpecial = {0x00, 0xFF, 0x7F, 0x80, 0x01, 0xFE};
        return draw_.below(2) ? kSpecial[draw_.below(kSpecial.size())] : std::uint8_t(draw_.next());
    }

    void oneChange()
    {
        switch (draw_.below(11)) {
        case 0: randomBytes(); break;
        case 1: bitFlips(); break;
        case 2: bytesInRange(QStringLiteral("header"), 0, std::min<qsizetype>(0x100, bytes_.size())); break;
        case 3: bytesInPages(QStringLiteral("catalog"), structures_.catalogPages()); break;
        case 4: bytesInPages(QStringLiteral("table definition"), structures_.tdefPages()); break;
        case 5: rowOffsets(); break;
        case 6:
        case 7: field(structures_.fields16()); break;
        case 8: field(structures_.fields32()); break;
        case 9: zeroPage(); break;
        default: copyPage(); break;
        }
    }

    void tiny()
    {
        const qsizetype length = qsizetype(draw_.below(3)) * kPageSize;
        bytes_.truncate(std::min(length, bytes_.size()));
        note(QStringLiteral("cut to %1 bytes").arg(bytes_.size()));
    }

    void truncateAtPage()
    {
        const qsizetype length =
            qsizetype(draw_.between(1, std::size_t(std::max<qsizetype>(1, pages() - 1)))) * kPageSize;
        bytes_.truncate(length);
        note(QStringLiteral("cut at page %1").arg(length / kPageSize));
    }

    void truncateAnywhere()
    {
        const qsizetype length = qsizetype(draw_.below(std::size_t(bytes_.size())));
        bytes_.truncate(length);
        note(QStringLiteral("cut at byte %1").arg(length));
    }

    void randomBytes()
    {
        for (std::size_t n = draw_.between(1, 8); n > 0; --n) {
            const qsizetype at = qsizetype(draw_.below(std::size_t(bytes_.size())));
            const std::uint8_t value = randomByte();
            set(at, value);
            note(QStringLiteral("byte %1 := %2").arg(hex(at)).arg(value));
        }
    }

    void bitFlips()
    {
        for (std::size_t n = draw_.between(1, 4); n > 0; --n) {
            const qsizetype at = qsizetype(draw_.below(std::size_t(bytes_.size())));
            const int bit = int(draw_.below(8));
            set(at, std::uint8_t(bytes_[at]) ^ std::uint8_t(1u << bit));
            note(QStringLiteral("bit %1 of byte %2 flipped").arg(bit).arg(hex(at)));
        }
    }

    void bytesInRange(const QString& what, qsizetype from, qsizetype to)
    {
        if (to <= from)
            return randomBytes();
        for (std::size_t n = draw_.between(1, 3); n > 0; --n) {
            const qsizetype at = from + qsizetype(draw_.below(std::size_t(to - from)));
            const std::uint8_t value = randomByte();
            set(at, value);
            note(QStringLiteral("%1 byte %2 := %3").arg(what, hex(at)).arg(value));
        }
    }

    void bytesInPages(const QString& what, const std::vector<qsizetype>& pages)
    {
        if (pages.empty())
            return randomBytes();
        const qsizetype page = pages[draw_.below(pages.size())];
        // Most of what matters sits in the first few hundred bytes of a page.
        const qsizetype span = draw_.below(2) ? 512 : kPageSize;
        bytesInRange(what, page * kPageSize, std::min(page * kPageSize + span, bytes_.size()));
    }

    void rowOffsets()
    {
        const auto& tables = structures_.rowOffsetTables();
        if (tables.empty())
            return randomBytes();
        const auto& [from, to] = tables[draw_.below(tables.size())];
        bytesInRange(QStringLiteral("row offsets"), from, std::min(to, bytes_.size()));
    }

    void field(const std::vector<Field>& fields)
    {
        if (fields.empty())
            return randomBytes();
        const Field& f = fields[draw_.below(fields.size())];
        if (f.offset + f.width > bytes_.size())
            return randomBytes();
        static constexpr std::array<std::uint32_t, 6> k16 = {0, 0xFFFF, 0x7FFF, 0x8000, 1, 0x1FFF};
        static constexpr std::array<std::uint32_t, 7> k32 = {0,      0xFFFFFFFF, 0x7FFFFFFF, 0xFFFF,
                                                             0x7FFF, 0x80000000, 0x00FFFFFF};
        const std::uint32_t value = f.width == 2 ? draw_.pick(k16) : draw_.pick(k32);
        auto* at = reinterpret_cast<std::uint8_t*>(bytes_.data()) + f.offset;
        if (f.width == 2)
            put16(at, value);
        else
            put32(at, value);
        note(QStringLiteral("u%1 at %2 := 0x%3").arg(f.width * 8).arg(hex(f.offset)).arg(value, 0, 16));
    }

    void zeroPage()
    {
        const qsizetype page = qsizetype(draw_.below(std::size_t(std::max<qsizetype>(1, pages()))));
        const qsizetype from = page * kPageSize;
        std::fill(bytes_.begin() + from, bytes_.begin() + std::min(from + kPageSize, bytes_.size()), '\0');
        note(QStringLiteral("page %1 zeroed").arg(page));
    }

    void copyPage()
    {
        if (pages() < 2)
            return randomBytes();
        const qsizetype from = qsizetype(draw_.below(std::size_t(pages())));
        qsizetype to = qsizetype(draw_.below(std::size_t(pages() - 1)));
        if (to >= from)
            ++to;
        std::copy_n(bytes_.constBegin() + from * kPageSize, kPageSize, bytes_.begin() + to * kPageSize);
        note(QStringLiteral("page %1 copied over page %2").arg(from).arg(to));
    }

    QByteArray bytes_;
    Draw draw_;
    Structures structures_;
    QStringList notes_;
};

}  // namespace

std::vector<BaseDictionary> baseDictionaries()
{
    return {written(QStringLiteral("handmade"), handmadeDictionary()),
            written(QStringLiteral("synthetic-400"), syntheticDictionary(400, 6)),
            written(QStringLiteral("synthetic-1500"), syntheticDictionary(1500, 9))};
}

std::vector<BaseDictionary> truncatedDictionaries()
{
    DatabaseModel handmadeCatalogFirst = handmadeDictionary();
    handmadeCatalogFirst.options.catalogFirst = true;
    DatabaseModel syntheticCatalogFirst = syntheticDictionary(400, 6);
    syntheticCatalogFirst.options.catalogFirst = true;
    const std::vector<std::pair<QString, DatabaseModel>> models = {
        {QStringLiteral("handmade"), handmadeDictionary()},
        {QStringLiteral("handmade, catalog first"), handmadeCatalogFirst},
        {QStringLiteral("synthetic-400, catalog first"), syntheticCatalogFirst}};
    std::vector<BaseDictionary> cut;
    for (const auto& [name, model] : models) {
        WrittenLayout layout;
        const QByteArray bytes = writeDatabase(model, &layout);
        std::set<std::uint32_t> pages;
        const WrittenTable& catalog = layout.tables.front();
        pages.insert(catalog.definitionPages.begin(), catalog.definitionPages.end());
        pages.insert(catalog.dataPages.begin(), catalog.dataPages.end());
        for (const WrittenTable& table : layout.tables) {
            pages.insert(table.usedMapPgRow >> 8);
            pages.insert(table.freeMapPgRow >> 8);
        }
        std::set<std::uint32_t> lengths;
        for (const std::uint32_t page : pages) {
            lengths.insert(page);
            if (page + 1 < layout.pageCount)
                lengths.insert(page + 1);
        }
        for (const std::uint32_t length : lengths)
            cut.push_back({QStringLiteral("%1 cut to %2 pages").arg(name).arg(length),
                           bytes.left(qsizetype(length) * kPageSize)});
    }
    return cut;
}

BaseDictionary sharedLongValueDictionary()
{
    DatabaseModel model = handmadeDictionary();
    model.options.faults.sharedLongValueTable = QStringLiteral("Main");
    std::vector<Row>& rows = model.tables[0].rows;
    constexpr int kDefinition = 6;  // [PD_Definition]
    rows[0][kDefinition] = QString(8000000, QLatin1Char('d'));
    for (int i = 0; rows.size() < 300; ++i) {
        Row row = rows[1 + std::size_t(i) % 13];
        row[1] = QStringLiteral("SHARED_COL_%1").arg(i);
        rows.push_back(std::move(row));
    }
    return written(QStringLiteral("shared long value"), model);
}

BaseDictionary emptyUsageMapDictionary()
{
    DatabaseModel model = handmadeDictionary();
    model.options.faults.emptyUsageMapTable = QStringLiteral("Main");
    return written(QStringLiteral("empty usage map"), model);
}

BaseDictionary zeroLengthPropertyDictionary()
{
    DatabaseModel model = handmadeDictionary();
    model.options.faults.zeroLengthPropertyTable = QStringLiteral("Main");
    return written(QStringLiteral("zero-length property"), model);
}

DamagedFile damage(const QByteArray& original, std::uint64_t seed) { return Damager(original, seed).run(); }

DamageCorpus::DamageCorpus(std::vector<BaseDictionary> originals, std::uint64_t seed)
    : originals_(std::move(originals)), seed_(seed)
{}

DamagedFile DamageCorpus::file(std::uint64_t index) const
{
    const std::uint64_t seed = splitMix(seed_ ^ splitMix(index));
    const BaseDictionary& original = originals_[std::size_t(index % originals_.size())];
    DamagedFile damaged = damage(original.bytes, seed);
    damaged.description = QStringLiteral("%1 #%2: %3").arg(original.name).arg(index).arg(damaged.description);
    return damaged;
}

}  // namespace volmira::damage
