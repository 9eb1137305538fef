#pragma once

#include "dictionary/cellview.h"
#include "dictionary/fieldvalue.h"

#include <QString>

#include <memory>
#include <vector>

namespace volmira {

class RowArena;

// The dictionary's tables, read from the file by the Jet reader and held in an in-memory
// SQL database; statements written for Jet run on it with Jet's meaning.
class Engine {
public:
    virtual ~Engine() = default;

    // Which tables opening reads: the dictionary's four, which the windows query at once, or none (only
    // the file's list of tables, for tools that run statements on any table). Any other table is read
    // when a statement first names it.
    enum class Preload { DictionaryTables, CatalogOnly };

    // Reads the file at path; raises an Error (file not found, not a Jet database, protected by a
    // password, locked, damaged, ...).
    static std::shared_ptr<Engine> open(const QString& path, Preload preload = Preload::DictionaryTables);

    // One column of a result, known from the statement before any row is read.
    //   name: the alias after AS; else a column's own name (with SELECT * over a join, "table.column" where
    //     two tables share the name); else Jet's "Expr1000", "Expr1001", ... numbered over the unnamed items.
    //   type: what every non-Null cell of the column holds, as Jet types it:
    //     - a column (also through MIN, MAX, Nz(column, ...), IIf with branches of one type): its stored type;
    //       a column of type Other that carried Yes/No (or 4-byte float) cells says Bool (or Single);
    //     - comparisons, AND/OR/NOT, IN, BETWEEN, LIKE, IS NULL, True/False: Bool (-1/0 in SQLite);
    //     - COUNT: Long; SUM, AVG (Currency over currency), arithmetic, Len, InStr, Year/Month/Day: numbers;
    //     - #date# literals, MIN/MAX of a date column: DateTime (held in SQLite as REAL serial days since
    //       1899-12-30, the fraction the time of day);
    //     - UCase, LCase, Left, Right, Mid, Trim, Format, text literals, &: Text; a binary column: Binary;
    //     - Other: nothing known (mixed IIf branches, Null): the cell is taken as SQLite holds it.
    //   A cell is Text or Number as SQLite holds it, turned into Yes/No for Bool, a single for Single, a
    //   date for DateTime and bytes for Binary.
    struct ResultColumn {
        QString name;
        ColumnType type = ColumnType::Other;
    };
    struct Result {
        int columnCount = 0;
        std::vector<ResultColumn> columns;  // columnCount of them
        std::vector<Field> cells;           // row-major
    };
    // Runs one SELECT; raises an Error that names a missing table or column.
    virtual Result run(const QString& sql) = 0;

    // The result of one SELECT as cells, for readers of many rows: a listing of a table's rows points at
    // the texts where the engine keeps them, in UTF-8, and makes no value of its own. Each cell turns into
    // the value run() gives with FieldValue::fromCell and its column's type. The texts stay valid while
    // the engine lives and the listing holds them.
    struct Listing {
        int columnCount = 0;
        std::vector<ResultColumn> columns;
        std::vector<CellView> cells;            // row-major
        std::shared_ptr<const RowArena> texts;  // the texts of a result that is not a listing of kept rows
        std::shared_ptr<const Engine> engine;   // set by the connection: keeps the kept rows alive
        long long rowCount() const { return columnCount ? (long long)(cells.size() / std::size_t(columnCount)) : 0; }
        const CellView& at(long long row, int column) const
        {
            return cells[std::size_t(row) * std::size_t(columnCount) + std::size_t(column)];
        }
    };
    // Runs one SELECT as run() does; raises the same errors.
    virtual Listing list(const QString& sql) = 0;
};

}  // namespace volmira
