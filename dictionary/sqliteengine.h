#pragma once

#include "dictionary/engine.h"
#include "dictionary/tablesink.h"

#include <QStringList>

#include <cstddef>
#include <functional>
#include <memory>

namespace volmira {

// Reads the named tables of a dictionary into a sink: the Jet reader for a file, or a test's code.
using TableReader = std::function<void(const QStringList& wantedTables, TableSink& sink)>;

// The engine on an in-memory SQLite database. The tables of `preload` are read at construction; any
// other table a statement names is read when it is first named. Statements are parsed and
// translated, never passed on as text, and run with Jet's meaning: text compares ignoring letter case,
// SELECT DISTINCT gives its rows in ascending order, other rows come in the order the file stores them.
// The tables the statements filter also get a search store (searchstore.h), which answers their DISTINCT
// searches and narrows their lookups to the rows that hold the value.
class SqliteEngine final : public Engine {
public:
    // Without search stores every statement runs in SQLite alone (for comparing the two in tests).
    // Texts of longTextBytes and more travel through sorting and DISTINCT by reference (StoredTable).
    static constexpr std::size_t defaultLongTextBytes = 16 * 1024;
    explicit SqliteEngine(TableReader reader, bool useSearchStores = true, Preload preload = Preload::DictionaryTables,
                          std::size_t longTextBytes = defaultLongTextBytes);
    ~SqliteEngine() override;

    Result run(const QString& sql) override;
    Listing list(const QString& sql) override;

    class Database;

private:
    std::unique_ptr<Database> database_;
};

}  // namespace volmira
