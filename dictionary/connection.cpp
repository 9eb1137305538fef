#include "dictionary/connection.h"

#include "dictionary/engine.h"
#include "dictionary/error.h"

#include <new>

namespace volmira {

Connection::Connection() = default;
Connection::~Connection() = default;

QString Connection::dataSource(const QString& connectionString)
{
    static const QString key = QStringLiteral("Data Source=");
    const int start = connectionString.indexOf(key, 0, Qt::CaseInsensitive);
    if (start < 0)
        return {};
    const int from = start + key.size();
    // The path is inserted unchanged; the program's own text ends it with ";Persist Security Info=".
    static const QString tail = QStringLiteral(";Persist Security Info=");
    int end = connectionString.lastIndexOf(tail, -1, Qt::CaseInsensitive);
    if (end < from)
        end = connectionString.size();
    return connectionString.mid(from, end - from);
}

void Connection::Open(const QString& /*userName*/, const QString& /*password*/)
{
    try {
        engine_ = Engine::open(dataSource(connectionString_));
    } catch (const std::bad_alloc&) {
        throw outOfMemory();
    }
}

Engine& Connection::engine() const
{
    if (!engine_)
        throw Error(ErrorNumber::ObjectClosed,
                    QStringLiteral("Operation is not allowed when the connection is closed"));
    return *engine_;
}

Engine::Listing Connection::list(const QString& sql) const
{
    Engine& running = engine();
    notifyStatement(sql);
    try {
        Engine::Listing listing = running.list(sql);
        listing.engine = engine_;
        return listing;
    } catch (const std::bad_alloc&) {
        throw outOfMemory();
    }
}

void Connection::notifyStatement(const QString& sql) const
{
    if (observer_)
        observer_(sql);
}

}  // namespace volmira
