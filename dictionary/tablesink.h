#pragma once

#include "dictionary/cellview.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace volmira {

struct ColumnInfo {
    QString name;
    ColumnType type = ColumnType::Other;
};

// Receives what the reader reads from a dictionary file, in this order: the catalog once, then for each
// table asked for that exists: beginTable, its rows in the order the file stores them, endTable.
// When the reading fails part-way, the reader raises an Error and the sink holds a partial copy: the
// caller discards it.
class TableSink {
public:
    virtual ~TableSink() = default;
    virtual void catalog(const QStringList& userTables) = 0;
    virtual void beginTable(const QString& name, const std::vector<ColumnInfo>& columns) = 0;
    virtual void row(const CellView* cells, int count) = 0;
    virtual void endTable() = 0;
};

}  // namespace volmira
