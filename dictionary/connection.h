#pragma once

#include "dictionary/engine.h"

#include <QString>

#include <functional>
#include <memory>

namespace volmira {

// The one connection to a dictionary file. The connection text is the one the program builds
// ("Provider=...;Data Source=<path>;Persist Security Info=False"); the path is taken from it.
// The file is read by the Jet reader and held in an in-memory database; it is never written.
class Connection final {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void setConnectionString(const QString& connectionString) { connectionString_ = connectionString; }
    const QString& connectionString() const noexcept { return connectionString_; }

    // Returns when the connection is open and usable for queries; raises an Error otherwise.
    void Open(const QString& userName = QString(), const QString& password = QString());
    bool isOpen() const noexcept { return engine_ != nullptr; }
    // Opens the connection on an engine made elsewhere: one fed by test code, or one shared by tools.
    void openOn(std::shared_ptr<Engine> engine) { engine_ = std::move(engine); }

    // Called with the text of every statement a recordset opens over this connection (before it runs).
    using StatementObserver = std::function<void(const QString& sql)>;
    void setStatementObserver(StatementObserver observer) { observer_ = std::move(observer); }

    // For the recordset: the engine the statements run on. Raises an Error when not open.
    Engine& engine() const;
    void notifyStatement(const QString& sql) const;

    // Runs one SELECT as a recordset would, its result as cells (Engine::list) that stay valid while the
    // listing lives, also after the connection closes. Raises an Error as Recordset::Open does.
    Engine::Listing list(const QString& sql) const;

    // The path named by a connection text's "Data Source=" part, unchanged.
    static QString dataSource(const QString& connectionString);

private:
    QString connectionString_;
    std::shared_ptr<Engine> engine_;
    StatementObserver observer_;
};

}  // namespace volmira
