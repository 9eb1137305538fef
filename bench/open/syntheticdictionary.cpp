#include "syntheticdictionary.h"

#include <QStringList>

#include <cstdint>

namespace synthetic {

namespace {

using volmira::jet4::ColumnType;
using volmira::jet4::Row;
using volmira::jet4::Value;

const char* const areaCodes[] = {"acct", "bill", "case", "clcl", "coco", "crcr", "ctct", "cust", "etav", "fawf", "thdv", "thpr",
                                 "itsc", "itsp", "mcar", "mesb", "obxp", "plan", "prov", "syst", "temp", "txtx", "util"};

const char* const words[] = {"claim", "member", "provider", "amount", "date", "identifier", "the", "of", "for", "status",
                             "code", "group", "plan", "billing", "ledger", "account", "payment", "line", "number", "type",
                             "effective", "termination", "reason", "override", "indicator", "user", "network", "product",
                             "benefit", "premium", "subscriber", "address", "county", "région", "Straße", "tax", "fee",
                             "adjustment", "sequence", "history", "is", "a", "to", "when", "used", "record", "value"};
constexpr int wordCount = int(sizeof words / sizeof *words);

std::uint64_t mix(std::uint64_t x)
{
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ULL;
    x ^= x >> 33;
    return x;
}

QString sentence(std::uint64_t seed, int minWords, int maxWords)
{
    const int n = minWords + int(mix(seed) % std::uint64_t(maxWords - minWords + 1));
    QStringList parts;
    for (int i = 0; i < n; ++i)
        parts << QString::fromUtf8(words[mix(seed * 131 + std::uint64_t(i)) % wordCount]);
    QString s = parts.join(u' ');
    s[0] = s[0].toUpper();
    return s + u'.';
}

QString columnName(std::size_t table, int column)
{
    static const char* const stems[] = {"ID", "CD", "DT", "AMT", "STS", "NO", "DESC", "TYPE", "IND", "SEQ"};
    return QStringLiteral("%1_%2_%3").arg(areaOf(table).toUpper()).arg(column, 2, 10, QChar(u'0')).arg(QLatin1String(stems[column % 10]));
}

}  // namespace

QString areaOf(std::size_t table)
{
    return QString::fromLatin1(areaCodes[table % 23]);
}

QString tableName(std::size_t table)
{
    return QStringLiteral("%1_T%2").arg(areaOf(table).toUpper()).arg(table, 6, 10, QChar(u'0'));
}

volmira::jet4::DatabaseSpec dictionary(const Shape& shape)
{
    volmira::jet4::DatabaseSpec spec;
    const std::size_t tables = shape.tableCount();
    const int perTable = shape.columnsPerTable;

    auto& main = spec.addTable(QStringLiteral("Main"));
    main.addColumn(QStringLiteral("Table"), ColumnType::Text, 64)
        .addColumn(QStringLiteral("Column"), ColumnType::Text, 64)
        .addColumn(QStringLiteral("Functional Area"), ColumnType::Text, 10)
        .addColumn(QStringLiteral("Data Type"), ColumnType::Text, 20)
        .addColumn(QStringLiteral("Data Attributes"), ColumnType::Text, 20)
        .addColumn(QStringLiteral("Logical Desc"), ColumnType::Text, 255)
        .addColumn(QStringLiteral("PD_Definition"), ColumnType::Memo)
        .addColumn(QStringLiteral("Primary Key"), ColumnType::Bool)
        .addColumn(QStringLiteral("Foreign Key"), ColumnType::Bool)
        .addColumn(QStringLiteral("Column_SeqNo"), ColumnType::Long)
        .addColumn(QStringLiteral("GUI Name"), ColumnType::Text, 100)
        .addColumn(QStringLiteral("GUI Control"), ColumnType::Text, 50);
    main.generatedRowCount = tables * std::size_t(perTable);
    main.rowGenerator = [perTable](std::size_t i, Row& row) {
        static const char* const types[] = {"char", "int", "datetime", "money", "smallint", "varchar"};
        const std::size_t t = i / std::size_t(perTable);
        const int c = int(i % std::size_t(perTable));
        const std::uint64_t h = mix(i + 1);
        row = {Value(tableName(t)),
               Value(columnName(t, c)),
               Value(areaOf(t)),
               Value(types[h % 6]),
               h % 3 ? Value(QString::number(1 + h % 40)) : Value(),
               Value(sentence(h, 3, 8)),
               Value(sentence(h + 7, 25, 60)),
               Value(c == 0),
               Value(h % 5 == 0),
               Value(c + 1),
               h % 4 ? Value(sentence(h + 3, 1, 3)) : Value(),
               h % 4 ? Value(QString::fromLatin1(h % 2 ? "Text Box" : "Drop Down")) : Value()};
    };

    auto& desc = spec.addTable(QStringLiteral("CDS_TBL_TABLE_DESC"));
    desc.addColumn(QStringLiteral("Table"), ColumnType::Text, 64)
        .addColumn(QStringLiteral("Description"), ColumnType::Memo)
        .addColumn(QStringLiteral("Logical Name"), ColumnType::Text, 255)
        .addColumn(QStringLiteral("Functional Area"), ColumnType::Text, 10);
    desc.generatedRowCount = tables;
    desc.rowGenerator = [](std::size_t t, Row& row) {
        row = {Value(tableName(t)), Value(sentence(mix(t) + 11, 20, 80)), Value(sentence(mix(t) + 5, 2, 5)), Value(areaOf(t))};
    };

    auto& values = spec.addTable(QStringLiteral("Values"));
    values.addColumn(QStringLiteral("Value"), ColumnType::Text, 50)
        .addColumn(QStringLiteral("Description"), ColumnType::Text, 255)
        .addColumn(QStringLiteral("Functional Area"), ColumnType::Text, 10)
        .addColumn(QStringLiteral("Table"), ColumnType::Text, 64)
        .addColumn(QStringLiteral("Column"), ColumnType::Text, 64);
    // Five coded columns per table with five values each: as many rows as Main has.
    values.generatedRowCount = tables * std::size_t(perTable);
    values.rowGenerator = [perTable](std::size_t i, Row& row) {
        const std::size_t t = i / std::size_t(perTable);
        const int k = int(i % std::size_t(perTable));
        row = {Value(QStringLiteral("V%1").arg(k % 5)), Value(sentence(mix(i) + 13, 2, 6)), Value(areaOf(t)),
               Value(tableName(t)), Value(columnName(t, k / 5))};
    };

    auto& releases = spec.addTable(QStringLiteral("CDS_TBL_RELS_RELEASES"));
    releases.addColumn(QStringLiteral("Rels_No"), ColumnType::Long).addColumn(QStringLiteral("Rels_Desc"), ColumnType::Text, 100);
    for (int r = 1; r <= 40; ++r)
        releases.rows.push_back({Value(400 + r), Value(QStringLiteral("Release %1").arg(400 + r))});
    return spec;
}

}  // namespace synthetic
