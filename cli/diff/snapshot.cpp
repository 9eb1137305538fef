#include "cli/diff/snapshot.h"

#include "dictionary/recordset.h"
#include "dictionary/statements.h"
#include "dictionary/textfold.h"

#include <QElapsedTimer>
#include <cstdio>
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

struct Described final {
    FieldValue logicalName;
    FieldValue description;
};

// Null before any text, texts in the engine's order ignoring letter case: how the engine sorts.
int compareShown(const FieldValue& a, const FieldValue& b)
{
    if (a.isNull() || b.isNull())
        return int(b.isNull()) - int(a.isNull());
    return textfold::compare(a.toText().toStdString(), b.toText().toStdString());
}

// The description row of each table that the window's statement gives first: its rows are distinct and
// in ascending order of description and logical name.
std::unordered_map<std::string, Described> readDescriptions(const Connection& connection, const QString& area)
{
    Recordset rows;
    rows.Open(statements::areaTableDescriptions(area), connection);
    namespace Field = statements::TableDescriptionField;
    std::unordered_map<std::string, Described> found;
    for (long long row = 0; row < rows.rowCount(); ++row) {
        const FieldValue& table = rows.fieldAt(row, Field::Table).Value;
        if (table.isNull())  // equal to no table the window asks for
            continue;
        Described candidate{rows.fieldAt(row, Field::LogicalName).Value, rows.fieldAt(row, Field::Description).Value};
        const auto [at, added] = found.emplace(foldedKey(table.toText()), candidate);
        if (added)
            continue;
        const int byDescription = compareShown(candidate.description, at->second.description);
        if (byDescription < 0
            || (byDescription == 0 && compareShown(candidate.logicalName, at->second.logicalName) < 0))
            at->second = std::move(candidate);
    }
    return found;
}

// Valid values by folded table name, then folded column name, in the order the file stores them.
using ValuesByColumn = std::unordered_map<std::string, std::vector<SnapshotValue>>;
using ValuesByTable = std::unordered_map<std::string, ValuesByColumn>;

// The valid values of every area, by folded area code.
std::unordered_map<std::string, ValuesByTable> readValues(const Connection& connection)
{
    Recordset rows;
    rows.Open(statements::allValidValues(), connection);
    namespace Field = statements::AllValuesField;
    std::unordered_map<std::string, ValuesByTable> found;
    for (long long row = 0; row < rows.rowCount(); ++row) {
        const FieldValue& area = rows.fieldAt(row, Field::Area).Value;
        const FieldValue& table = rows.fieldAt(row, Field::Table).Value;
        const FieldValue& column = rows.fieldAt(row, Field::Column).Value;
        if (area.isNull() || table.isNull() || column.isNull())
            continue;
        found[foldedKey(area.toText())][foldedKey(table.toText())][foldedKey(column.toText())].push_back(
            {shownText(rows.fieldAt(row, Field::Value).Value), shownText(rows.fieldAt(row, Field::Description).Value)});
    }
    return found;
}

// The column rows of one table, by their place in the column statement's result.
struct TableRows final {
    std::string folded;
    QString name;
    std::vector<long long> rows;
};

constexpr int firstField = statements::AreaColumnsField::First;

const FieldValue& columnField(const Recordset& rows, long long row, int field)
{
    return rows.fieldAt(row, firstField + field).Value;
}

// [Column_SeqNo] in the engine's ascending order: Null first, then numbers, then texts.
bool positionBefore(const FieldValue& a, const FieldValue& b)
{
    const auto rank = [](const FieldValue& v) { return v.isNull() ? 0 : v.kind() == FieldValue::Kind::Text ? 2 : 1; };
    if (rank(a) != rank(b))
        return rank(a) < rank(b);
    if (rank(a) == 1)
        return a.toNumber() < b.toNumber();
    return rank(a) == 2 && compareShown(a, b) < 0;
}

// The row's ten fields as the engine tells rows apart ignoring letter case: the key of DISTINCT.
std::string distinctKey(const Recordset& rows, long long row)
{
    std::string joined;
    for (int field = 0; field <= statements::ColumnsField::GUIControl; ++field) {
        const FieldValue& value = columnField(rows, row, field);
        if (value.isNull()) {
            joined += "N;";
            continue;
        }
        const std::string folded = foldedKey(value.toText());
        joined +=
            std::to_string(folded.size()) + ':' + folded;  // the length keeps one field from running into the next
    }
    return joined;
}

// The table's rows as the window's column statement gives them: distinct, in [Column_SeqNo] order.
// Rows of one position keep the file's order.
void orderColumns(const Recordset& rows, std::vector<long long>& table)
{
    std::stable_sort(table.begin(), table.end(), [&rows](long long a, long long b) {
        return positionBefore(columnField(rows, a, statements::ColumnsField::ColumnSeqNo),
                              columnField(rows, b, statements::ColumnsField::ColumnSeqNo));
    });
    // Only rows that share a position can be equal; the others need no key.
    std::vector<long long> distinct;
    std::vector<std::string> seen;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const auto samePosition = [&](std::size_t j) {
            const auto& seqNo = [&](std::size_t k) -> const FieldValue& {
                return columnField(rows, table[k], statements::ColumnsField::ColumnSeqNo);
            };
            return !positionBefore(seqNo(i), seqNo(j)) && !positionBefore(seqNo(j), seqNo(i));
        };
        if (i == 0 || !samePosition(i - 1))
            seen.clear();
        const bool tied = (i > 0 && samePosition(i - 1)) || (i + 1 < table.size() && samePosition(i + 1));
        if (tied) {
            std::string rowKey = distinctKey(rows, table[i]);
            if (std::find(seen.begin(), seen.end(), rowKey) != seen.end())
                continue;
            seen.push_back(std::move(rowKey));
        }
        distinct.push_back(table[i]);
    }
    table = std::move(distinct);
}

SnapshotArea readArea(const Connection& connection, const QString& code, const ValuesByTable& values)
{
    const auto descriptions = readDescriptions(connection, code);
    Recordset rows;
    rows.Open(statements::areaColumns(code), connection);
    std::unordered_map<std::string, std::size_t> tableAt;
    std::vector<TableRows> tables;
    for (long long row = 0; row < rows.rowCount(); ++row) {
        const FieldValue& table = rows.fieldAt(row, statements::AreaColumnsField::Table).Value;
        if (table.isNull())
            continue;
        const QString name = table.toText();
        std::string folded = foldedKey(name);
        const auto [at, added] = tableAt.emplace(folded, tables.size());
        if (added)
            tables.push_back({std::move(folded), name, {}});
        tables[at->second].rows.push_back(row);
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
            table.logicalName = shownText(described->second.logicalName);
            table.description = shownText(described->second.description);
        }
        const auto tableValues = values.find(found.folded);
        orderColumns(rows, found.rows);
        for (const long long row : found.rows) {
            if (columnField(rows, row, statements::ColumnsField::Column).isNull())
                continue;  // the window lists no column without a name
            SnapshotColumn column;
            column.shown = shownColumnAt(rows, row, firstField);
            column.position = shownText(columnField(rows, row, statements::ColumnsField::ColumnSeqNo));
            if (tableValues != values.end()) {
                const auto listed = tableValues->second.find(foldedKey(column.shown.column));
                if (listed != tableValues->second.end())
                    column.values = listed->second;
            }
            table.columns.push_back(std::move(column));
        }
        area.tables.push_back(std::move(table));
    }
    return area;
}

}  // namespace

std::string foldedKey(const QString& text) { return textfold::foldedUtf8(text.toStdString()); }

Snapshot readSnapshot(const Connection& connection, const std::vector<AreaName>& names)
{
    Snapshot snapshot;
    snapshot.version = readVersion(connection);
    const auto values = readValues(connection);
    static const ValuesByTable none;
    for (const AreaName& name : names) {
        const auto inArea = values.find(foldedKey(name.code));
        snapshot.areas.push_back(readArea(connection, name.code, inArea == values.end() ? none : inArea->second));
    }
    return snapshot;
}

}  // namespace volmira::diff
