#pragma once

#include "dictionary/shownattributes.h"

#include <QString>

#include <memory>
#include <string>
#include <string_view>
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

// A text of the dictionary in UTF-8, where the engine keeps it (or the snapshot made it, for a cell that
// is no text), null for Null; the window's rules (shownattributes.h) tell how it shows.
using SnapshotText = ShownUtf8;

// A valid value and its description as shown: Null as empty text.
struct SnapshotValue final {
    std::string_view value;
    std::string_view description;
};

struct SnapshotColumn final {
    SnapshotText column;
    SnapshotText dataType;
    SnapshotText dataAttributes;
    SnapshotText logicalDescription;
    SnapshotText dataDefinition;
    bool primaryKey = false;
    bool foreignKey = false;
    SnapshotText guiLabel;
    SnapshotText guiControl;
    SnapshotText position;  // [Column_SeqNo] as text
    const std::vector<SnapshotValue>* values = nullptr;  // where the snapshot holds them; null for none
};

// A table as the window shows it under one area: its first description row (null texts without one),
// its columns in [Column_SeqNo] order and each column's valid values in the order the file stores them.
struct SnapshotTable final {
    std::string_view name;
    SnapshotText logicalName;
    SnapshotText description;
    std::vector<SnapshotColumn> columns;
};

// The tables of one area in the order the window lists them.
struct SnapshotArea final {
    std::vector<SnapshotTable> tables;
};

// A dictionary as the window shows it, for the given areas (areas[i] is that of names[i]). Its texts
// point into what it holds: the engine's kept rows and texts of its own, so it stays valid on its own.
struct Snapshot final {
    QString version;  // the highest release number, empty when the release table has no rows
    std::vector<SnapshotArea> areas;
    std::vector<std::shared_ptr<const void>> holds;
};

// Reads the dictionary area by area, two statements for each, and the valid values in one. Raises the engine's Error when
// a statement fails.
Snapshot readSnapshot(const Connection& connection, const std::vector<AreaName>& names);

// The key under which texts that the engine takes as equal (ignoring letter case) are the same.
std::string foldedKey(std::string_view text);

// A snapshot's text as the program's other texts are held.
inline QString qText(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

}  // namespace volmira::diff
