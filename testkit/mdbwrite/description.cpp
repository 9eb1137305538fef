#include "testkit/mdbwrite/description.h"

#include "dictionary/error.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QTime>

#include <cmath>

namespace volmira::jet4 {

namespace {

[[noreturn]] void refuse(const QString& message) { throw Error(InvalidDescription, message); }

// ISO 8601 date, or date and time ("T" or a blank between), optionally ending in "Z". Taken as written,
// without a time zone.
bool parseDateTime(const QString& text, OleDate* date)
{
    QString rest = text.trimmed();
    if (rest.endsWith(QLatin1Char('Z')))
        rest.chop(1);
    const QDate day = QDate::fromString(rest.left(10), Qt::ISODate);
    if (!day.isValid())
        return false;
    QTime time(0, 0);
    if (rest.size() > 10) {
        if (rest[10] != QLatin1Char('T') && rest[10] != QLatin1Char(' '))
            return false;
        time = QTime::fromString(rest.mid(11), Qt::ISODateWithMs);
        if (!time.isValid())
            return false;
    }
    *date = oleDateFromDateTime(QDateTime(day, time, Qt::UTC));
    return true;
}

template <typename Where>
Value toValue(const QJsonValue& json, const ColumnModel& column, const Where& where)
{
    switch (json.type()) {
    case QJsonValue::Null: return Value();
    case QJsonValue::Bool: return Value(json.toBool());
    case QJsonValue::Double: {
        const double number = json.toDouble();
        if (std::trunc(number) == number && std::fabs(number) <= 9007199254740992.0)
            return Value(qint64(number));
        return Value(number);
    }
    case QJsonValue::String:
        if (column.type == ColumnType::DateTime) {
            OleDate date;
            if (!parseDateTime(json.toString(), &date))
                refuse(QStringLiteral("%1: \"%2\" is not an ISO 8601 date").arg(where(), json.toString()));
            return Value(date);
        }
        return Value(json.toString());
    default: refuse(QStringLiteral("%1: a value must be a text, number, true, false or null").arg(where()));
    }
}

TableModel readTable(const QJsonObject& object, int tableIndex)
{
    TableModel table;
    table.name = object.value(QLatin1String("name")).toString();
    const QString where = table.name.isEmpty() ? QStringLiteral("Table %1").arg(tableIndex + 1)
                                               : QStringLiteral("Table \"%1\"").arg(table.name);
    if (!object.value(QLatin1String("name")).isString())
        refuse(QStringLiteral("%1: \"name\" must be a text").arg(where));
    const QJsonValue columns = object.value(QLatin1String("columns"));
    if (!columns.isArray())
        refuse(QStringLiteral("%1: \"columns\" must be a list").arg(where));
    for (const QJsonValue& columnValue : columns.toArray()) {
        const QJsonObject column = columnValue.toObject();
        const QString name = column.value(QLatin1String("name")).toString();
        const QString columnWhere = QStringLiteral("%1, column \"%2\"").arg(where, name);
        const QString typeName = column.value(QLatin1String("type")).toString();
        ColumnType type;
        if (!parseColumnTypeName(typeName, &type))
            refuse(QStringLiteral("%1: unknown type \"%2\"").arg(columnWhere, typeName));
        int size = 0;
        if (type == ColumnType::Text) {
            const QJsonValue sizeValue = column.value(QLatin1String("size"));
            if (!sizeValue.isDouble() || sizeValue.toDouble() != std::trunc(sizeValue.toDouble()))
                refuse(QStringLiteral("%1: a text column needs a whole \"size\"").arg(columnWhere));
            size = int(std::max(-1.0, std::min(sizeValue.toDouble(), 100000.0)));
        }
        table.addColumn(name, type, size);
    }
    const QJsonValue rowsValue = object.value(QLatin1String("rows"));
    if (!rowsValue.isArray() && !rowsValue.isUndefined())
        refuse(QStringLiteral("%1: \"rows\" must be a list").arg(where));
    const QJsonArray rows = rowsValue.toArray();
    table.generatedRowCount = std::size_t(rows.size());
    table.rowGenerator = [rows, columns = table.columns, name = table.name](std::size_t index, Row& row) {
        const QJsonValue rowValue = rows.at(qsizetype(index));
        if (!rowValue.isArray())
            refuse(QStringLiteral("Table \"%1\", row %2: a row must be a list of values").arg(name).arg(index + 1));
        const QJsonArray values = rowValue.toArray();
        row.reserve(std::size_t(values.size()));
        for (qsizetype i = 0; i < values.size(); ++i) {
            // Surplus values become Nulls; the writer refuses the row for its length.
            if (i >= qsizetype(columns.size())) {
                row.emplace_back();
                continue;
            }
            row.push_back(toValue(values.at(i), columns[std::size_t(i)], [&] {
                return QStringLiteral("Table \"%1\", row %2, column \"%3\"")
                    .arg(name)
                    .arg(index + 1)
                    .arg(columns[std::size_t(i)].name);
            }));
        }
    };
    return table;
}

}  // namespace

QJsonDocument parseJsonKeepingByteOrderMarks(QByteArray json, QJsonParseError* error)
{
    static const QByteArray mark("\xEF\xBB\xBF");
    if (json.startsWith(mark))
        json.remove(0, mark.size());
    if (json.contains(mark))
        json.replace(mark, QByteArrayLiteral("\\ufeff"));
    return QJsonDocument::fromJson(json, error);
}

DatabaseModel readDescription(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = parseJsonKeepingByteOrderMarks(json, &error);
    if (document.isNull())
        refuse(QStringLiteral("The description is not valid JSON: %1 at offset %2")
                   .arg(error.errorString())
                   .arg(error.offset));
    const QJsonValue tables = document.object().value(QLatin1String("tables"));
    if (!tables.isArray())
        refuse(QStringLiteral("The description has no \"tables\" list"));
    DatabaseModel model;
    const QJsonArray list = tables.toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (!list.at(i).isObject())
            refuse(QStringLiteral("Table %1 of the description is not an object").arg(i + 1));
        model.tables.push_back(readTable(list.at(i).toObject(), int(i)));
    }
    return model;
}

}  // namespace volmira::jet4
