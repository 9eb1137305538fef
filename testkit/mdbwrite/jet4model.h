#pragma once

// The model a Jet 4.0 database is written from: tables with typed columns and rows of typed values.

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>
#include <variant>
#include <vector>

namespace volmira::jet4 {

// Error number of a description that cannot be written (bad type, value, name or size).
constexpr int InvalidDescription = 30101;

enum class ColumnType : std::uint8_t {
    Bool,
    Byte,
    Integer,   // 16-bit
    Long,      // 32-bit
    Currency,  // 64-bit, four decimals
    Single,
    Double,
    DateTime,
    Binary,  // variable bytes, at most 255 (used by the catalog)
    Text,    // at most 255 characters
    Ole,     // long binary (used by the catalog)
    Memo,
};

// The Jet type code stored in a column definition.
std::uint8_t jetTypeCode(ColumnType type);
// The name used in descriptions ("text", "long", ...); empty for the catalog-only types.
QString columnTypeName(ColumnType type);
// Parses a description's type name; returns false for an unknown name.
bool parseColumnTypeName(const QString& name, ColumnType* type);

bool isFixedLength(ColumnType type);  // stored in the fixed area of a row (bool included)
bool isLongValue(ColumnType type);    // memo and OLE: may live on LVAL pages
int fixedLength(ColumnType type);     // bytes in the fixed area; 0 for bool and variable types

struct ColumnModel {
    QString name;
    ColumnType type = ColumnType::Text;
    int size = 0;  // text: the maximum number of characters (1..255); binary: bytes; otherwise unused
};

// OLE automation date: days since 1899-12-30 plus the fraction of the day.
struct OleDate {
    double days = 0;
};
OleDate oleDateFromDateTime(const QDateTime& dateTime);

// One field value. Which kinds a column accepts depends on its type: whole numbers for the integer types,
// numbers for single, double and currency, text for text and memo, a date for datetime, bytes for binary
// and OLE, and a flag for bool. Null is allowed everywhere but in bool columns.
class Value final {
public:
    Value() = default;
    Value(std::nullptr_t) {}
    Value(bool flag) : data_(flag) {}
    Value(int number) : data_(static_cast<qint64>(number)) {}
    Value(qint64 number) : data_(number) {}
    Value(double number) : data_(number) {}
    Value(const char* text) : data_(QString::fromUtf8(text)) {}
    Value(QString text) : data_(std::move(text)) {}
    Value(QByteArray bytes) : data_(std::move(bytes)) {}
    Value(OleDate date) : data_(date) {}
    Value(const QDateTime& dateTime) : data_(oleDateFromDateTime(dateTime)) {}

    bool isNull() const { return std::holds_alternative<std::monostate>(data_); }
    bool isBool() const { return std::holds_alternative<bool>(data_); }
    bool isInteger() const { return std::holds_alternative<qint64>(data_); }
    bool isReal() const { return std::holds_alternative<double>(data_); }
    bool isText() const { return std::holds_alternative<QString>(data_); }
    bool isBytes() const { return std::holds_alternative<QByteArray>(data_); }
    bool isDate() const { return std::holds_alternative<OleDate>(data_); }

    bool toBool() const { return std::get<bool>(data_); }
    qint64 toInteger() const { return std::get<qint64>(data_); }
    double toReal() const { return std::get<double>(data_); }
    const QString& toText() const { return std::get<QString>(data_); }
    const QByteArray& toBytes() const { return std::get<QByteArray>(data_); }
    OleDate toDate() const { return std::get<OleDate>(data_); }

    // A short name of the kind held, for messages.
    QString kindName() const;

private:
    std::variant<std::monostate, bool, qint64, double, QString, QByteArray, OleDate> data_;
};

using Row = std::vector<Value>;

// A table to write. Its rows are either held in `rows`, or produced one at a time by `rowGenerator`
// (`generatedRowCount` rows, index 0 first), which keeps very large tables out of memory.
struct TableModel {
    QString name;
    std::vector<ColumnModel> columns;
    std::vector<Row> rows;
    std::size_t generatedRowCount = 0;
    std::function<void(std::size_t index, Row& row)> rowGenerator;

    TableModel& addColumn(QString columnName, ColumnType type, int size = 0);
    std::size_t rowCount() const { return rowGenerator ? generatedRowCount : rows.size(); }
};

// Deliberate damage, for tests of how readers cope with broken files. Each names a table; the catalog
// itself is named "MSysObjects".
struct FaultOptions {
    QString emptyUsageMapTable;       // this table's used-pages map is a row of length 0
    QString zeroLengthPropertyTable;  // this table's catalog row has an LvProp block with a 0-length record
    QString sharedLongValueTable;     // this table's rows after the first point at the first row's long values
                                      // (those stored on long-value pages) instead of their own
};

struct WriteOptions {
    QString password;           // database password, at most 20 characters; empty = none
    int memoInlineMax = 64;     // memos whose stored form is at most this long stay in the row
    bool catalogFirst = false;  // the catalog's rows before the tables' rows, as Access places them, so
                                // that a file cut short keeps its catalog but loses table pages
    FaultOptions faults;
};

struct DatabaseModel {
    std::vector<TableModel> tables;
    WriteOptions options;

    TableModel& addTable(QString tableName);
};

}  // namespace volmira::jet4
