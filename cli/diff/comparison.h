#pragma once

#include "cli/diff/snapshot.h"

#include <QString>

#include <vector>

namespace volmira::diff {

enum class ChangeKind {
    TableAdded,
    TableRemoved,
    TableMoved,
    TableChanged,
    ColumnRemoved,
    ColumnAdded,
    PossibleRename,  // a suggestion beside a removal and an addition, not a change of its own
    ColumnReordered,
    ColumnChanged,
    ValueRemoved,
    ValueAdded,
    ValueChanged,
};
constexpr int changeKindCount = int(ChangeKind::ValueChanged) + 1;

// The name scripts see ("column-added") and the words people read ("columns added").
QString kindName(ChangeKind kind);
QString kindTitle(ChangeKind kind);

// What a change is about: the attributes of a table and of a column as the window labels them.
enum class Attribute {
    None,
    LogicalName,
    Description,
    Position,
    DataType,
    PrimaryKey,
    ForeignKey,
    LogicalDescription,
    DataDefinition,
    ScreenLabel,
    ScreenControl,
    ValueDescription,
};
QString attributeName(Attribute attribute);
// Long texts are compared by words; the others as a whole.
bool comparedByWords(Attribute attribute);

// One change. `area` is the index of the area it is shown under (the new one for a moved table);
// `oldArea` that of the area a moved table came from. For a possible rename `column` is the removed
// column, `after` the added one and `note` what the two have in common.
struct Change final {
    explicit Change(ChangeKind changeKind) : kind(changeKind) {}

    ChangeKind kind;
    int area = -1;
    int oldArea = -1;
    QString table;
    QString column;
    Attribute attribute = Attribute::None;
    QString value;
    QString before;
    QString after;
    QString note;
};

struct Comparison final {
    std::vector<AreaName> areas;
    QString oldVersion;
    QString newVersion;
    std::vector<Change> changes;  // by area, then table name, then what the table shows in its order

    // Possible renames are suggestions and no changes of their own.
    int changeCount() const;
    int count(ChangeKind kind) const;
    int countInArea(int area) const;
};

// Compares two readings of the same areas. The order of the changes depends on nothing but the two
// dictionaries.
Comparison compare(const Snapshot& before, const Snapshot& after, std::vector<AreaName> areas);

}  // namespace volmira::diff
