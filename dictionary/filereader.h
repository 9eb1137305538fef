#pragma once

#include "dictionary/tablesink.h"

#include <QString>
#include <QStringList>

namespace volmira {

// Reads a dictionary file in the program's own process with the Jet reader (dictionary/reader/) and hands
// what it reads to a sink. Raises an Error for every way the reading can fail: the file is missing, too
// large, not a Jet database, protected by a password, locked or damaged. The file is only read.
class FileReader final {
public:
    // wantedTables are matched ignoring letter case; tables that do not exist are skipped.
    static void read(const QString& path, const QStringList& wantedTables, TableSink& sink);
};

}  // namespace volmira
