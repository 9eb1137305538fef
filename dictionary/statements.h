#pragma once

// The dictionary's statements, each built in one place: the window's procedures, the tools and the
// benchmarks all run these texts. The pieces are kept exactly as the dictionary's queries have always
// been written, blanks and letter case included. Every value placed between apostrophes has its own
// apostrophes doubled, so that a name such as O'NEIL_TBL is read as the value it is.

#include <QString>
#include <QStringList>

namespace volmira {

// The value with each apostrophe doubled, ready to stand between a statement's apostrophes.
QString doubleApostrophes(const QString& value);

namespace statements {

// The connection text that names the dictionary file at `path`.
QString connectionString(const QString& path);

// The tables the statements below read.
const QStringList& dictionaryTables();

// The dictionary's version: one row, one field.
QString version();

// The tables filed under an area.
QString areaTables(const QString& area);

// The area a table is filed under (after a search across all areas).
QString tableArea(const QString& table);

// The areas of a table's description rows, for a table that Main does not list.
QString describedTableArea(const QString& table);

// A table's descriptions; its fields are named by TableDescriptionField.
QString tableDescription(const QString& area, const QString& table);
namespace TableDescriptionField {
enum : int { Table, Description, LogicalName };
}

// A table's columns in their order; the fields are named by ColumnsField.
QString columns(const QString& area, const QString& table);
namespace ColumnsField {
enum : int {
    Column,
    DataType,
    DataAttributes,
    LogicalDesc,
    PDDefinition,
    PrimaryKey,
    ForeignKey,
    ColumnSeqNo,
    GUIName,
    GUIControl,
};
}

// A table's columns whose description contains `text`, in their order; field 0 is the column's name.
QString columnMatches(const QString& area, const QString& table, const QString& text);

// A column's valid values; field 0 is the value, field 1 its description.
QString validValues(const QString& area, const QString& table, const QString& column);

// The valid values of every column of a table, in the order the file stores them; the fields are named
// by TableValuesField. The rows of one column, compared as the engine compares names, are those of
// validValues for that column, in the same order: one statement for a table instead of one a column.
QString tableValidValues(const QString& area, const QString& table);
namespace TableValuesField {
enum : int { Column, Value, Description };
}

// Every column row of every area without its descriptions, for what spans tables (where a column is
// used, inferred references); the fields are named by AllColumnsField.
QString allColumns();
namespace AllColumnsField {
enum : int { Area, Table, Column, DataType, DataAttributes, PrimaryKey, ForeignKey, ColumnSeqNo };
}

// Each column that has valid values, once: area, table and column.
QString valuedColumns();

// The dictionary area by area, for tools that read all of it: the rows come in the order the file stores
// them, so that the engine sorts nothing. A tool that shows them as the window does orders and merges
// them as the per-table statements above do.
//
// The area's column rows; the fields are named by AreaColumnsField (from First on, as ColumnsField names them).
QString areaColumns(const QString& area);
namespace AreaColumnsField {
enum : int { Table, First };
}
// The area's table description rows; the fields are named by TableDescriptionField.
QString areaTableDescriptions(const QString& area);
// Every valid value of every area (one statement: [Values] is not kept by area); the fields are named
// by AllValuesField.
QString allValidValues();
namespace AllValuesField {
enum : int { Area, Table, Column, Value, Description };
}

// The tables a search finds, in each of its modes. Only the all-areas forms ask for an order.
enum class SearchMode { TableName, TableDescription, ColumnName, ColumnDescription };
QString searchAllAreas(SearchMode mode, const QString& text);
QString searchArea(SearchMode mode, const QString& area, const QString& text);

}  // namespace statements

}  // namespace volmira
