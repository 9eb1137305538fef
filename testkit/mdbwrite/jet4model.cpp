#include "testkit/mdbwrite/jet4model.h"

#include <QDate>
#include <QTime>

#include <cmath>

namespace volmira::jet4 {

namespace {

struct TypeInfo {
    ColumnType type;
    std::uint8_t code;
    int fixedBytes;
    const char* name;
};

constexpr TypeInfo kTypes[] = {
    {ColumnType::Bool, 0x01, 0, "bool"},
    {ColumnType::Byte, 0x02, 1, "byte"},
    {ColumnType::Integer, 0x03, 2, "integer"},
    {ColumnType::Long, 0x04, 4, "long"},
    {ColumnType::Currency, 0x05, 8, "currency"},
    {ColumnType::Single, 0x06, 4, "single"},
    {ColumnType::Double, 0x07, 8, "double"},
    {ColumnType::DateTime, 0x08, 8, "datetime"},
    {ColumnType::Binary, 0x09, 0, ""},
    {ColumnType::Text, 0x0A, 0, "text"},
    {ColumnType::Ole, 0x0B, 0, ""},
    {ColumnType::Memo, 0x0C, 0, "memo"},
};

const TypeInfo& info(ColumnType type) { return kTypes[static_cast<int>(type)]; }

}  // namespace

std::uint8_t jetTypeCode(ColumnType type) { return info(type).code; }

QString columnTypeName(ColumnType type) { return QString::fromLatin1(info(type).name); }

bool parseColumnTypeName(const QString& name, ColumnType* type)
{
    for (const TypeInfo& candidate : kTypes) {
        if (candidate.name[0] != '\0' && name == QLatin1String(candidate.name)) {
            *type = candidate.type;
            return true;
        }
    }
    return false;
}

bool isFixedLength(ColumnType type) { return type == ColumnType::Bool || info(type).fixedBytes > 0; }

bool isLongValue(ColumnType type) { return type == ColumnType::Memo || type == ColumnType::Ole; }

int fixedLength(ColumnType type) { return info(type).fixedBytes; }

OleDate oleDateFromDateTime(const QDateTime& dateTime)
{
    static const QDate epoch(1899, 12, 30);
    const qint64 days = epoch.daysTo(dateTime.date());
    const double fraction = dateTime.time().msecsSinceStartOfDay() / 86400000.0;
    // Before the epoch the integer part counts days backwards and the fraction still adds time of day.
    return OleDate{days >= 0 ? days + fraction : days - fraction};
}

QString Value::kindName() const
{
    switch (data_.index()) {
    case 0: return QStringLiteral("null");
    case 1: return QStringLiteral("a flag");
    case 2: return QStringLiteral("a whole number");
    case 3: return QStringLiteral("a number");
    case 4: return QStringLiteral("a text");
    case 5: return QStringLiteral("bytes");
    default: return QStringLiteral("a date");
    }
}

TableModel& TableModel::addColumn(QString columnName, ColumnType type, int size)
{
    columns.push_back(ColumnModel{std::move(columnName), type, size});
    return *this;
}

TableModel& DatabaseModel::addTable(QString tableName)
{
    tables.emplace_back();
    tables.back().name = std::move(tableName);
    return tables.back();
}

}  // namespace volmira::jet4
