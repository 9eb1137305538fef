#pragma once

// Writes a Jet 4.0 database (.mdb) from a DatabaseModel: header page, catalog, table definitions, usage maps,
// data pages and long-value pages. No indexes are written.

#include "testkit/mdbwrite/jet4model.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace volmira::jet4 {

// Where the writer put a table, for tests that damage a written file on purpose.
struct WrittenTable {
    QString name;
    std::vector<std::uint32_t> definitionPages;  // the first is the table's id in the catalog
    std::vector<std::uint32_t> dataPages;
    std::uint32_t usedMapPgRow = 0;  // (page << 8) | row of the 69-byte map rows
    std::uint32_t freeMapPgRow = 0;
    std::vector<std::vector<std::uint32_t>> longValuePages;  // LVAL pages per memo/OLE column, in column order
};

struct WrittenLayout {
    std::vector<WrittenTable> tables;  // the catalog "MSysObjects" first, then the tables in order
    std::uint32_t pageCount = 0;
};

// The whole file as bytes. Throws volmira::Error (InvalidDescription) naming table, row and column when a
// table, column or value cannot be written. `layout`, when given, receives where everything went.
QByteArray writeDatabase(const DatabaseModel& model, WrittenLayout* layout = nullptr);

// Writes the file at `path` through a temporary file beside it, renamed when complete, so that a failure
// leaves no file behind (an existing file at `path` stays as it was). Throws volmira::Error.
void writeDatabaseFile(const DatabaseModel& model, const QString& path);

}  // namespace volmira::jet4
