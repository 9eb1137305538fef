#include "dictionary/engine.h"

#include "dictionary/error.h"
#include "dictionary/filereader.h"
#include "dictionary/sqliteengine.h"

#include <new>

namespace volmira {

std::shared_ptr<Engine> Engine::open(const QString& path, Preload preload)
{
    try {
        return std::make_shared<SqliteEngine>(
            [path](const QStringList& tables, TableSink& sink) { FileReader::read(path, tables, sink); }, true,
            preload);
    } catch (const std::bad_alloc&) {
        throw outOfMemory();
    }
}

}  // namespace volmira
