#include "dictionary/engine.h"

#include "dictionary/readerclient.h"
#include "dictionary/sqliteengine.h"

namespace volmira {

std::shared_ptr<Engine> Engine::open(const QString& path, Preload preload)
{
    return std::make_shared<SqliteEngine>(
        [path](const QStringList& tables, TableSink& sink) { ReaderClient::read(path, tables, sink); }, true, preload);
}

}  // namespace volmira
