#include "cli/diff/snapshot.h"

#include "dictionary/cellview.h"
#include "dictionary/connection.h"
#include "dictionary/engine.h"
#include "dictionary/recordset.h"
#include "dictionary/statements.h"
#include "dictionary/textfold.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <unordered_map>

namespace volmira::diff {

namespace {

QString readVersion(const Connection& connection)
{
    Recordset version;
    version.Open(statements::version(), connection);
    return version.Eof() ? QString() : shownText(version.Fields(0).Value);
}

// The snapshot's reading of listings: it holds what their texts point into, and gives a cell that is no
// text (a number, a date, Yes/No) the text the window shows for it, made once for each distinct value.
class Reader final {
public:
    Reader(const Connection& connection, Snapshot& snapshot)
        : connection_(connection), snapshot_(snapshot), made_(std::make_shared<std::deque<std::string>>())
    {
        snapshot_.holds.push_back(made_);
    }

    Engine::Listing list(const QString& sql)
    {
        Engine::Listing listing = connection_.list(sql);
        if (!holdsEngine_) {
            snapshot_.holds.push_back(listing.engine);
            holdsEngine_ = true;
        }
        if (listing.texts)
            snapshot_.holds.push_back(listing.texts);
        return listing;
    }

    SnapshotText text(const Engine::Listing& listing, long long row, int field)
    {
        const CellView& cell = listing.at(row, field);
        if (cell.kind == CellView::Kind::Null)
            return {};
        if (cell.kind == CellView::Kind::Text)
            return {cell.text, false};
        const ColumnType type = listing.columns[std::size_t(field)].type;
        std::uint64_t bits = 0;
        std::memcpy(&bits, &cell.number, sizeof bits);
        const MadeKey key{cell.kind, type, bits};
        if (cell.kind != CellView::Kind::Binary) {
            const auto known = madeTexts_.find(key);
            if (known != madeTexts_.end())
                return {known->second, false};
        }
        const std::string_view stored = made_->emplace_back(FieldValue::fromCell(cell, type).toText().toStdString());
        if (cell.kind != CellView::Kind::Binary)
            madeTexts_.emplace(key, stored);
        return {stored, false};
    }

    // The text's folded key, in a buffer that the next call overwrites: for lookups, which need no copy.
    const std::string& folded(std::string_view text)
    {
        folded_.clear();
        textfold::appendFolded(folded_, text);
        return folded_;
    }

    static bool isTrue(const Engine::Listing& listing, long long row, int field)
    {
        return FieldValue::fromCell(listing.at(row, field), listing.columns[std::size_t(field)].type).isTrue();
    }

private:
    const Connection& connection_;
    Snapshot& snapshot_;
    std::shared_ptr<std::deque<std::string>> made_;  // a deque never moves what it holds
    bool holdsEngine_ = false;
    struct MadeKey final {
        CellView::Kind kind;
        ColumnType type;
        std::uint64_t bits;
        bool operator==(const MadeKey& other) const
        {
            return kind == other.kind && type == other.type && bits == other.bits;
        }
    };
    struct MadeKeyHash final {
        std::size_t operator()(const MadeKey& key) const
        {
            // A double's bits differ mostly at the top: mixed so that every bit moves the bucket.
            std::uint64_t h = key.bits ^ (std::uint64_t(key.kind) << 8 | std::uint64_t(key.type));
            h = (h ^ (h >> 30)) * 0xbf58476d1ce4e5b9ULL;
            h = (h ^ (h >> 27)) * 0x94d049bb133111ebULL;
            return std::size_t(h ^ (h >> 31));
        }
    };
    std::unordered_map<MadeKey, std::string_view, MadeKeyHash> madeTexts_;
    std::string folded_;
};

struct Described final {
    SnapshotText logicalName;
    SnapshotText description;
};

// Null before any text, texts in the engine's order ignoring letter case: how the engine sorts.
int compareShown(const SnapshotText& a, const SnapshotText& b)
{
    if (a.null || b.null)
        return int(b.null) - int(a.null);
    return textfold::compare(a.text, b.text);
}

// The description row of each table that the window's statement gives first: its rows are distinct and
// in ascending order of description and logical name.
std::unordered_map<std::string, Described> readDescriptions(Reader& reader, const QString& area)
{
    const Engine::Listing rows = reader.list(statements::areaTableDescriptions(area));
    namespace Field = statements::TableDescriptionField;
    std::unordered_map<std::string, Described> found;
    for (long long row = 0; row < rows.rowCount(); ++row) {
        const SnapshotText table = reader.text(rows, row, Field::Table);
        if (table.null)  // equal to no table the window asks for
            continue;
        Described candidate{reader.text(rows, row, Field::LogicalName), reader.text(rows, row, Field::Description)};
        const auto [at, added] = found.try_emplace(reader.folded(table.text), candidate);
        if (added)
            continue;
        const int byDescription = compareShown(candidate.description, at->second.description);
        if (byDescription < 0
            || (byDescription == 0 && compareShown(candidate.logicalName, at->second.logicalName) < 0))
            at->second = candidate;
    }
    return found;
}

// Valid values by folded table name, then folded column name, in the order the file stores them.
using ValuesByColumn = std::unordered_map<std::string, std::vector<SnapshotValue>>;
using ValuesByTable = std::unordered_map<std::string, ValuesByColumn>;

// The valid values of every area, by folded area code. The file stores a column's values together, so a
// row that names the column of the row before goes to the same list without folding its names again.
using ValuesByArea = std::unordered_map<std::string, ValuesByTable>;

ValuesByArea& readValues(Reader& reader, Snapshot& snapshot)
{
    const Engine::Listing rows = reader.list(statements::allValidValues());
    namespace Field = statements::AllValuesField;
    const auto held = std::make_shared<ValuesByArea>();  // the columns point into it
    snapshot.holds.push_back(held);
    ValuesByArea& found = *held;
    // Where the rows before went: a name that did not change is not folded and looked up again.
    ValuesByTable* tables = nullptr;
    ValuesByColumn* columns = nullptr;
    std::vector<SnapshotValue>* list = nullptr;
    std::string_view lastArea, lastTable, lastColumn;
    for (long long row = 0; row < rows.rowCount(); ++row) {
        const SnapshotText area = reader.text(rows, row, Field::Area);
        const SnapshotText table = reader.text(rows, row, Field::Table);
        const SnapshotText column = reader.text(rows, row, Field::Column);
        if (area.null || table.null || column.null)
            continue;
        const bool newArea = !tables || area.text != lastArea;
        if (newArea) {
            tables = &found[reader.folded(area.text)];
            lastArea = area.text;
        }
        const bool newTable = newArea || table.text != lastTable;
        if (newTable) {
            columns = &(*tables)[reader.folded(table.text)];
            lastTable = table.text;
        }
        if (newTable || column.text != lastColumn) {
            list = &(*columns)[reader.folded(column.text)];
            lastColumn = column.text;
        }
        list->push_back(
            {shownText(reader.text(rows, row, Field::Value)), shownText(reader.text(rows, row, Field::Description))});
    }
    return found;
}

// The column rows of one table, by their place in the column statement's result.
struct TableRows final {
    std::string folded;
    std::string_view name;
    std::vector<long long> rows;
};

constexpr int firstField = statements::AreaColumnsField::First;

// [Column_SeqNo] in the engine's ascending order: Null first, then numbers, then texts.
bool positionBefore(const CellView& a, const CellView& b)
{
    const auto rank = [](const CellView& v) {
        return v.kind == CellView::Kind::Null ? 0 : v.kind == CellView::Kind::Text ? 2 : 1;
    };
    if (rank(a) != rank(b))
        return rank(a) < rank(b);
    if (rank(a) == 1)
        return a.number < b.number;
    return rank(a) == 2 && textfold::compare(a.text, b.text) < 0;
}

// The row's ten fields as the engine tells rows apart ignoring letter case: the key of DISTINCT.
std::string distinctKey(Reader& reader, const Engine::Listing& rows, long long row)
{
    std::string joined;
    for (int field = 0; field <= statements::ColumnsField::GUIControl; ++field) {
        const SnapshotText value = reader.text(rows, row, firstField + field);
        if (value.null) {
            joined += "N;";
            continue;
        }
        const std::string folded = foldedKey(value.text);
        joined +=
            std::to_string(folded.size()) + ':' + folded;  // the length keeps one field from running into the next
    }
    return joined;
}

// The table's rows as the window's column statement gives them: distinct, in [Column_SeqNo] order.
// Rows of one position keep the file's order.
void orderColumns(Reader& reader, const Engine::Listing& rows, std::vector<long long>& table)
{
    const auto seqNo = [&](long long row) -> const CellView& {
        return rows.at(row, firstField + statements::ColumnsField::ColumnSeqNo);
    };
    std::stable_sort(table.begin(), table.end(),
                     [&](long long a, long long b) { return positionBefore(seqNo(a), seqNo(b)); });
    // Only rows that share a position can be equal; the others need no key.
    std::vector<long long> distinct;
    std::vector<std::string> seen;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const auto samePosition = [&](std::size_t j) {
            return !positionBefore(seqNo(table[i]), seqNo(table[j]))
                   && !positionBefore(seqNo(table[j]), seqNo(table[i]));
        };
        if (i == 0 || !samePosition(i - 1))
            seen.clear();
        const bool tied = (i > 0 && samePosition(i - 1)) || (i + 1 < table.size() && samePosition(i + 1));
        if (tied) {
            std::string rowKey = distinctKey(reader, rows, table[i]);
            if (std::find(seen.begin(), seen.end(), rowKey) != seen.end())
                continue;
            seen.push_back(std::move(rowKey));
        }
        distinct.push_back(table[i]);
    }
    table = std::move(distinct);
}

SnapshotColumn readColumn(Reader& reader, const Engine::Listing& rows, long long row)
{
    namespace Field = statements::ColumnsField;
    const auto text = [&](int field) { return reader.text(rows, row, firstField + field); };
    SnapshotColumn column;
    column.column = text(Field::Column);
    column.dataType = text(Field::DataType);
    column.dataAttributes = text(Field::DataAttributes);
    column.logicalDescription = text(Field::LogicalDesc);
    column.dataDefinition = text(Field::PDDefinition);
    column.primaryKey = Reader::isTrue(rows, row, firstField + Field::PrimaryKey);
    column.foreignKey = Reader::isTrue(rows, row, firstField + Field::ForeignKey);
    column.guiLabel = text(Field::GUIName);
    column.guiControl = text(Field::GUIControl);
    column.position = text(Field::ColumnSeqNo);
    return column;
}

SnapshotArea readArea(Reader& reader, const QString& code, const ValuesByTable& values)
{
    const auto descriptions = readDescriptions(reader, code);
    const Engine::Listing rows = reader.list(statements::areaColumns(code));
    std::unordered_map<std::string, std::size_t> tableAt;
    std::vector<TableRows> tables;
    // The file stores a table's rows together: a row of the table before needs no folding of its name.
    std::string_view lastName;
    std::size_t last = 0;
    for (long long row = 0; row < rows.rowCount(); ++row) {
        const SnapshotText table = reader.text(rows, row, statements::AreaColumnsField::Table);
        if (table.null)
            continue;
        if (tables.empty() || table.text != lastName) {
            std::string folded = foldedKey(table.text);
            const auto [at, added] = tableAt.emplace(folded, tables.size());
            if (added)
                tables.push_back({std::move(folded), table.text, {}});
            last = at->second;
            lastName = table.text;
        }
        tables[last].rows.push_back(row);
    }
    // The window lists the tables in the engine's ascending order of their names.
    std::sort(tables.begin(), tables.end(), [](const TableRows& a, const TableRows& b) { return a.folded < b.folded; });
    SnapshotArea area;
    area.tables.reserve(tables.size());
    for (TableRows& found : tables) {
        SnapshotTable table;
        table.name = found.name;
        const auto described = descriptions.find(found.folded);
        if (described != descriptions.end()) {
            table.logicalName = described->second.logicalName;
            table.description = described->second.description;
        }
        const auto tableValues = values.find(found.folded);
        orderColumns(reader, rows, found.rows);
        table.columns.reserve(found.rows.size());
        for (const long long row : found.rows) {
            if (rows.at(row, firstField + statements::ColumnsField::Column).kind == CellView::Kind::Null)
                continue;  // the window lists no column without a name
            SnapshotColumn column = readColumn(reader, rows, row);
            if (tableValues != values.end()) {
                const auto listed = tableValues->second.find(reader.folded(shownText(column.column)));
                if (listed != tableValues->second.end())
                    column.values = &listed->second;
            }
            table.columns.push_back(std::move(column));
        }
        area.tables.push_back(std::move(table));
    }
    return area;
}

}  // namespace

std::string foldedKey(std::string_view text) { return textfold::foldedUtf8(text); }

Snapshot readSnapshot(const Connection& connection, const std::vector<AreaName>& names)
{
    Snapshot snapshot;
    Reader reader(connection, snapshot);
    snapshot.version = readVersion(connection);
    const ValuesByArea& values = readValues(reader, snapshot);
    static const ValuesByTable none;
    for (const AreaName& name : names) {
        const auto inArea = values.find(reader.folded(name.code.toStdString()));
        snapshot.areas.push_back(readArea(reader, name.code, inArea == values.end() ? none : inArea->second));
    }
    return snapshot;
}

}  // namespace volmira::diff
