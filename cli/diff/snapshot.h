#pragma once

#include "dictionary/shownattributes.h"

#include <QString>

#include <vector>

namespace volmira {
class Connection;
}

namespace volmira::diff {

// One functional area the comparison looks at: its code as the dictionary files tables under it and
// the title people know it by.
struct AreaName final {
    QString code;
    QString title;
};

struct SnapshotValue final {
    QString value;
    QString description;
};

struct SnapshotColumn final {
    ShownColumn shown;
    QString position;  // [Column_SeqNo] as text
    std::vector<SnapshotValue> values;
};

// A table as the window shows it under one area: its first description row (empty texts without one),
// its columns in [Column_SeqNo] order and each column's valid values in the order the file stores them.
struct SnapshotTable final {
    QString name;
    QString logicalName;
    QString description;
    std::vector<SnapshotColumn> columns;
};

// The tables of one area in the order the window lists them.
struct SnapshotArea final {
    std::vector<SnapshotTable> tables;
};

// A dictionary as the window shows it, for the given areas (areas[i] is that of names[i]).
struct Snapshot final {
    QString version;  // the highest release number, empty when the release table has no rows
    std::vector<SnapshotArea> areas;
};

// Reads the dictionary area by area, two statements for each, and the valid values in one. Raises the engine's Error when
// a statement fails.
Snapshot readSnapshot(const Connection& connection, const std::vector<AreaName>& names);

// The key under which texts that the engine takes as equal (ignoring letter case) are the same.
std::string foldedKey(const QString& text);

}  // namespace volmira::diff
