#pragma once

// Writes a Jet 4.0 database (.mdb) from a DatabaseSpec: header page, catalog, table definitions, usage maps,
// data pages and long-value pages. No indexes are written.

#include "tools/mdbwrite/jet4model.h"

#include <QByteArray>
#include <QString>

namespace volmira::jet4 {

// The whole file as bytes. Throws volmira::Error (InvalidDescription) naming table, row and column when a
// table, column or value cannot be written.
QByteArray writeDatabase(const DatabaseSpec& spec);

// Writes the file at `path` through a temporary file beside it, so that a failure leaves no file behind
// (an existing file at `path` stays as it was). Throws volmira::Error.
void writeDatabaseFile(const DatabaseSpec& spec, const QString& path);

}  // namespace volmira::jet4
