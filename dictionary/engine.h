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

    // Reads the file at path; raises an Error (file not found, not a Jet database, protected by a
    // password, damaged, reader crashed or timed out, ...).
    static std::shared_ptr<Engine> open(const QString& path);

    struct Result {
        int columnCount = 0;
        std::vector<Field> cells;  // row-major
    };
    // Runs one SELECT; raises an Error that names a missing table or column.
    virtual Result run(const QString& sql) = 0;
};

}  // namespace volmira
