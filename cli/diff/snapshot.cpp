#include "cli/diff/snapshot.h"

#include "dictionary/recordset.h"
#include "dictionary/statements.h"
#include "dictionary/textfold.h"

#include <string>
#include <unordered_map>

namespace volmira::diff {

namespace {

// Several texts in one key, each preceded by its length so that no text can run into the next.
void appendKeyPart(std::string& key, const QString& text)
{
    const std::string folded = foldedKey(text);
    key += std::to_string(folded.size());
    key += ':';
    key += folded;
}

std::string key(const QString& a, const QString& b, const QString& c = {})
{
    std::string joined;
    appendKeyPart(joined, a);
    appendKeyPart(joined, b);
    appendKeyPart(joined, c);
    return joined;
}

QString readVersion(const Connection& connection)
{
    Recordset version;
    version.Open(statements::version(), connection);
    return version.Eof() ? QString() : shownText(version.Fields(0).Value);
}

using AreaIndex = std::unordered_map<std::string, int>;

AreaIndex areaIndex(const std::vector<AreaName>& names)
{
    AreaIndex index;
    for (int i = 0; i < int(names.size()); ++i)
        index.emplace(foldedKey(names[i].code), i);
    return index;
}

struct Described final {
    QString logicalName;
    QString description;
};

// The first description row of each area and table, as the window's statement gives it first.
std::unordered_map<std::string, Described> readDescriptions(const Connection& connection)
{
    Recordset rows;
    rows.Open(statements::allTableDescriptions(), connection);
    namespace Field = statements::AllTableDescriptionsField;
    std::unordered_map<std::string, Described> found;
    for (long long row = 0; row < rows.rowCount(); ++row) {
        const FieldValue& area = rows.fieldAt(row, Field::Area).Value;
        const FieldValue& table = rows.fieldAt(row, Field::Table).Value;
        if (area.isNull() || table.isNull())  // equal to no area or table the window asks for
            continue;
        found.emplace(key(area.toText(), table.toText()),
                      Described{shownText(rows.fieldAt(row, Field::LogicalName).Value),
                                shownText(rows.fieldAt(row, Field::Description).Value)});
    }
    return found;
}

std::unordered_map<std::string, std::vector<SnapshotValue>> readValues(const Connection& connection)
{
    Recordset rows;
    rows.Open(statements::allValidValues(), connection);
    namespace Field = statements::AllValuesField;
    std::unordered_map<std::string, std::vector<SnapshotValue>> found;
    for (long long row = 0; row < rows.rowCount(); ++row) {
        const FieldValue& area = rows.fieldAt(row, Field::Area).Value;
        const FieldValue& table = rows.fieldAt(row, Field::Table).Value;
        const FieldValue& column = rows.fieldAt(row, Field::Column).Value;
        if (area.isNull() || table.isNull() || column.isNull())
            continue;
        found[key(area.toText(), table.toText(), column.toText())].push_back(
            {shownText(rows.fieldAt(row, Field::Value).Value), shownText(rows.fieldAt(row, Field::Description).Value)});
    }
    return found;
}

}  // namespace

std::string foldedKey(const QString& text) { return textfold::foldedUtf8(text.toStdString()); }

Snapshot readSnapshot(const Connection& connection, const std::vector<AreaName>& names)
{
    Snapshot snapshot;
    snapshot.version = readVersion(connection);
    snapshot.areas.resize(names.size());
    const AreaIndex areas = areaIndex(names);
    const auto descriptions = readDescriptions(connection);
    auto values = readValues(connection);

    Recordset rows;
    rows.Open(statements::allColumns(), connection);
    namespace Field = statements::AllColumnsField;
    std::string currentTable;
    SnapshotTable* table = nullptr;
    for (long long row = 0; row < rows.rowCount(); ++row) {
        const FieldValue& areaField = rows.fieldAt(row, Field::Area).Value;
        const FieldValue& tableField = rows.fieldAt(row, Field::Table).Value;
        if (areaField.isNull() || tableField.isNull())
            continue;
        const QString areaText = areaField.toText();
        const QString tableName = tableField.toText();
        // The rows of one area and table come together: the statement orders by both.
        std::string tableKey = key(areaText, tableName);
        if (!table || tableKey != currentTable) {
            currentTable = std::move(tableKey);
            const auto area = areas.find(foldedKey(areaText));
            table = nullptr;
            if (area == areas.end())  // an area the window has no button for
                continue;
            SnapshotTable added;
            added.name = tableName;
            const auto described = descriptions.find(currentTable);
            if (described != descriptions.end()) {
                added.logicalName = described->second.logicalName;
                added.description = described->second.description;
            }
            auto& tables = snapshot.areas[std::size_t(area->second)].tables;
            tables.push_back(std::move(added));
            table = &tables.back();
        }
        if (!table)
            continue;
        const int first = Field::First;
        if (rows.fieldAt(row, first + statements::ColumnsField::Column).Value.isNull())
            continue;  // the window lists no column without a name
        SnapshotColumn column;
        column.shown = shownColumnAt(rows, row, first);
        column.position = shownText(rows.fieldAt(row, first + statements::ColumnsField::ColumnSeqNo).Value);
        const auto found = values.find(key(areaText, tableName, column.shown.column));
        if (found != values.end())
            column.values = found->second;  // copied: a column listed twice shows the same values twice
        table->columns.push_back(std::move(column));
    }
    return snapshot;
}

}  // namespace volmira::diff
