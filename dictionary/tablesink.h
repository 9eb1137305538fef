#pragma once

#include <QString>
#include <QStringList>

#include <string_view>
#include <vector>

namespace volmira {

// The column types of a Jet table as the program distinguishes them.
enum class ColumnType { Bool, Byte, Integer, Long, Currency, Single, Double, DateTime, Text, Memo, Binary, Other };

struct ColumnInfo {
    QString name;
    ColumnType type = ColumnType::Other;
};

// One cell of a row as it arrives from the reader; text is UTF-8 and points into the reader's buffer,
// valid only during the call that hands it over.
struct CellView {
    enum class Kind : unsigned char { Null, Text, Number, Single, YesNo };
    Kind kind = Kind::Null;
    double number = 0;       // Number, Single (the float widened), YesNo (-1 or 0)
    std::string_view text;   // Text
};

// Receives what the reader reads from a dictionary file, in this order: the catalog once, then for each
// table asked for that exists: beginTable, its rows in the order the file stores them, endTable.
class TableSink {
public:
    virtual ~TableSink() = default;
    virtual void catalog(const QStringList& userTables) = 0;
    virtual void beginTable(const QString& name, const std::vector<ColumnInfo>& columns) = 0;
    virtual void row(const CellView* cells, int count) = 0;
    virtual void endTable() = 0;
};

}  // namespace volmira
