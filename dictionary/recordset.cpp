#include "dictionary/recordset.h"

#include "dictionary/connection.h"
#include "dictionary/engine.h"
#include "dictionary/error.h"

#include <new>

namespace volmira {

Recordset::Recordset() = default;
Recordset::~Recordset() = default;

void Recordset::Open(const QString& sql, const Connection& activeConnection)
{
    if (open_)
        throw Error(ErrorNumber::ObjectClosed + 1,
                    QStringLiteral("Operation is not allowed when the recordset is open"));
    activeConnection.notifyStatement(sql);
    Engine::Result result;
    try {
        result = activeConnection.engine().run(sql);
    } catch (const std::bad_alloc&) {
        throw outOfMemory();
    }
    columnCount_ = result.columnCount;
    names_.clear();
    for (const Engine::ResultColumn& column : result.columns)
        names_.push_back(column.name);
    cells_ = std::move(result.cells);
    position_ = 0;
    open_ = true;
}

void Recordset::Close()
{
    requireOpen();
    open_ = false;
    cells_.clear();
    cells_.shrink_to_fit();
    names_.clear();
    columnCount_ = 0;
    position_ = 0;
}

void Recordset::requireOpen() const
{
    if (!open_)
        throw Error(ErrorNumber::ObjectClosed, QStringLiteral("Operation is not allowed when the recordset is closed"));
}

bool Recordset::Eof() const
{
    requireOpen();
    return position_ >= rowCount();
}

bool Recordset::Bof() const
{
    requireOpen();
    return position_ < 0 || rowCount() == 0;
}

void Recordset::MoveNext()
{
    requireOpen();
    if (position_ >= rowCount())
        throw Error(ErrorNumber::NoCurrentRecord,
                    QStringLiteral("Either BOF or EOF is True, or the current record has been deleted"));
    ++position_;
}

void Recordset::MovePrevious()
{
    requireOpen();
    if (position_ < 0 || rowCount() == 0)
        throw Error(ErrorNumber::NoCurrentRecord,
                    QStringLiteral("Either BOF or EOF is True, or the current record has been deleted"));
    --position_;
}

void Recordset::MoveFirst()
{
    requireOpen();
    position_ = 0;
}

void Recordset::Move(long long rows)
{
    requireOpen();
    const long long target = position_ + rows;
    if (target < -1 || target > rowCount())
        throw Error(ErrorNumber::NoCurrentRecord,
                    QStringLiteral("Either BOF or EOF is True, or the current record has been deleted"));
    position_ = target;
}

const Field& Recordset::Fields(int i) const { return fieldAt(position_, i); }

const Field& Recordset::fieldAt(long long row, int i) const
{
    requireOpen();
    if (row < 0 || row >= rowCount())
        throw Error(ErrorNumber::NoCurrentRecord,
                    QStringLiteral("Either BOF or EOF is True, or the current record has been deleted"));
    if (i < 0 || i >= columnCount_)
        throw Error(
            ErrorNumber::ItemNotFound,
            QStringLiteral(
                "Item cannot be found in the collection corresponding to the requested name or ordinal (field %1)")
                .arg(i));
    return cells_[size_t(row * columnCount_ + i)];
}

const QString& Recordset::fieldName(int i) const
{
    requireOpen();
    if (i < 0 || size_t(i) >= names_.size())
        throw Error(
            ErrorNumber::ItemNotFound,
            QStringLiteral(
                "Item cannot be found in the collection corresponding to the requested name or ordinal (field %1)")
                .arg(i));
    return names_[size_t(i)];
}

}  // namespace volmira
