#pragma once

#include "dictionary/tablesink.h"

#include <QString>
#include <QStringList>

namespace volmira {

// Reads a dictionary file in a separate reader process (volmira-reader, found beside the program) and
// hands what it reads to a sink. Raises an Error for every way the reading can fail: the file is
// missing, not a Jet database, protected by a password, damaged; the reader crashed, hung, sent bad
// frames or reported an error.
class ReaderClient final {
public:
    // wantedTables are matched ignoring letter case; tables that do not exist are skipped.
    static void read(const QString& path, const QStringList& wantedTables, TableSink& sink);
};

}  // namespace volmira
