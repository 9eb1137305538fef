#pragma once

#include "dictionary/fieldvalue.h"

#include <QString>

#include <memory>
#include <vector>

namespace volmira {

// The dictionary's tables, read from the file by the reader process and held in an in-memory
// SQL database; statements written for Jet run on it with Jet's meaning.
class Engine {
public:
    virtual ~Engine() = default;

    // Which tables opening reads: the dictionary's four, which the windows query at once, or none (only
    // the file's list of tables, for tools that run statements on any table). Any other table is read
    // when a statement first names it.
    enum class Preload { DictionaryTables, CatalogOnly };

    // Reads the file at path; raises an Error (file not found, not a Jet database, protected by a
    // password, damaged, reader crashed or timed out, ...).
    static std::shared_ptr<Engine> open(const QString& path, Preload preload = Preload::DictionaryTables);

    struct Result {
        int columnCount = 0;
        std::vector<QString> columnNames;  // as Jet names a query's fields: the column, or Expr1000...
        std::vector<Field> cells;  // row-major
    };
    // Runs one SELECT; raises an Error that names a missing table or column.
    virtual Result run(const QString& sql) = 0;
};

}  // namespace volmira
