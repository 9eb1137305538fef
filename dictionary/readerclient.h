#pragma once

#include "dictionary/tablesink.h"

#include <QString>
#include <QStringList>

namespace volmira {

// Reads a dictionary file in a separate reader process (volmira-reader, found beside the program) and
// hands what it reads to a sink. Raises an Error for every way the reading can fail: the file is
// missing, not a Jet database, protected by a password, damaged; the reader crashed, hung, sent bad
// frames or reported an error. The file is only read.
class ReaderClient final {
public:
    // wantedTables are matched ignoring letter case; tables that do not exist are skipped.
    static void read(const QString& path, const QStringList& wantedTables, TableSink& sink);

    // For tests: run another reader program (an empty text restores the one beside the program), and
    // shorten the time the reader may stay silent before it is killed (0 restores the default).
    static void setReaderProgramForTesting(const QString& program);
    static void setProgressTimeoutForTesting(int milliseconds);
};

}  // namespace volmira
