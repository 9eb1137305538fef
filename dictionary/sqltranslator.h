#pragma once

#include "dictionary/engine.h"
#include "dictionary/jetsql.h"
#include "dictionary/searchstore.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

namespace volmira {

struct StoredColumn {
    QString name;
    ColumnType type = ColumnType::Other;
    bool sawYesNo = false;
    bool sawSingle = false;
    bool sawDate = false;
    bool holdsLongTexts = false;  // some of its cells are in StoredTable::longTexts

    // The type its values are handed back as: a column of no known type that held Yes/No (or 4-byte
    // float, or date) cells gives Yes/No (or singles, or dates).
    ColumnType resultType() const
    {
        if (sawYesNo)
            return ColumnType::Bool;
        if (sawSingle)
            return ColumnType::Single;
        if (sawDate)
            return ColumnType::DateTime;
        return type;
    }
};

// A table read into the in-memory database: table t<n> with columns c0, c1, ... declared COLLATE JET, and
// the column long_texts.
//
// A long text would be copied, megabytes at a time, wherever SQLite sorts or compares whole rows (ORDER BY,
// DISTINCT): such a cell, of the first maximumLongTextColumns columns, is also held here, bit i of the row's
// long_texts says that column i holds one, and the statement selects and sorts it as a reference of a few
// bytes (longTextReference) that the JET collation and the results resolve. Conditions still read the text.
struct StoredTable {
    static constexpr int maximumLongTextColumns = 63;

    QString name;     // as the file names it
    QString sqlName;  // its name in the in-memory database, "t" and number
    int number = 0;
    std::vector<StoredColumn> columns;
    std::unique_ptr<SearchStore> store;
    struct LongText {
        QString text;
        mutable QByteArray utf8;  // made when the text is first compared
    };
    std::unordered_map<std::uint64_t, LongText> longTexts;  // by longTextKey

    static std::uint64_t longTextKey(std::int64_t rowid, int column)
    {
        return (std::uint64_t(rowid) << 6) | std::uint64_t(column);
    }

    int findColumn(const QString& wanted) const
    {
        for (size_t i = 0; i < columns.size(); ++i)
            if (columns[i].name.compare(wanted, Qt::CaseInsensitive) == 0)
                return int(i);
        return -1;
    }
};

// A literal of the statement, bound to a parameter ?n of the translation.
struct SqlParameter {
    bool isText = false;
    QString text;
    double number = 0;
};

// One statement translated for the in-memory database: its text, the literals bound to its parameters,
// and each result column's name and type.
struct Translation {
    QString sql;
    std::vector<SqlParameter> parameters;
    std::vector<Engine::ResultColumn> columns;
};

// The SQL function that stands for the reference to a long text: jet_long_text(table number, rowid, column).
inline constexpr const char* longTextFunction = "jet_long_text";

// The stored table of a name; raises error 3078 when the file has no such table.
using TableLookup = std::function<const StoredTable&(const QString& name)>;

// Translates a parsed statement with Jet's meaning: text compares and sorts ignoring letter case, True is
// -1, / divides as reals and \ and Mod as whole numbers, TOP keeps the rows tied with the last, rows without
// an ORDER BY come as Jet gives them (DISTINCT and GROUP BY in ascending order, others in stored order).
// Raises the errors Jet raises for a statement it cannot run: a missing column (3061), a type mismatch
// (3464), an aggregate over a memo (3115), what it does not understand (3075), ...
// narrowing: when given, the only rows of the (single) table that can satisfy the WHERE (0-based).
Translation translate(const QString& sql, const jetsql::SelectStatement& statement, const TableLookup& lookup,
                      const std::vector<std::uint32_t>* narrowing = nullptr);

}  // namespace volmira
