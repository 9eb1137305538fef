#include "writerfixtures.h"

#include "testkit/mdbwrite/databasewriter.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <cfloat>
#include <cmath>
#include <limits>

using namespace volmira::jet4;

namespace writerfixtures {

namespace {

QDateTime utc(int y, int m, int d, int h = 0, int min = 0) { return QDateTime(QDate(y, m, d), QTime(h, min), Qt::UTC); }

}  // namespace

TableModel everyTypeTable()
{
    TableModel table;
    table.name = QStringLiteral("Every Type");
    table.addColumn(QStringLiteral("Text Value"), ColumnType::Text, 50)
        .addColumn(QStringLiteral("Memo Value"), ColumnType::Memo)
        .addColumn(QStringLiteral("Long"), ColumnType::Long)
        .addColumn(QStringLiteral("Integer"), ColumnType::Integer)
        .addColumn(QStringLiteral("Byte"), ColumnType::Byte)
        .addColumn(QStringLiteral("Double"), ColumnType::Double)
        .addColumn(QStringLiteral("Single"), ColumnType::Single)
        .addColumn(QStringLiteral("Currency"), ColumnType::Currency)
        .addColumn(QStringLiteral("Yes No"), ColumnType::Bool)
        .addColumn(QStringLiteral("When"), ColumnType::DateTime);
    table.rows.push_back({"acct", "A short memo", 3, -2, 7, 0.1, 0.5, 12.3456, true, utc(2024, 5, 1, 12, 30)});
    table.rows.push_back({QString(50, QLatin1Char('x')), QString(100, QChar(0xE9)), qint64(INT32_MIN), -32768, 0,
                          -1e300, -3.25e38, qint64(-922337203685LL), false, utc(1899, 12, 29, 6, 0)});
    table.rows.push_back({QStringLiteral("Last, \"quoted\" | piped"), QStringLiteral("Zeile 1\nZeile 2"),
                          qint64(INT32_MAX), 32767, 255, 1e300, 1.5e-38, qint64(922337203685LL), true,
                          utc(1900, 1, 1)});
    table.rows.push_back({Value(), Value(), Value(), Value(), Value(), Value(), Value(), Value(), false, Value()});
    table.rows.push_back({"", "", 0, 0, 0, -0.5, 0.0, 0.0001, true, utc(2024, 1, 1)});
    table.rows.push_back({QStringLiteral("日本 Ü é"), QStringLiteral("\uFEFFmarked memo"), -1, -1, 1, 123456789.125,
                          -2.5, -0.5, false, utc(1850, 6, 1)});
    return table;
}

std::vector<double> everyTypeDates()
{
    return {45413.0 + 12.5 / 24, -1.25, 2.0, std::numeric_limits<double>::quiet_NaN(), 45292.0, -18109.0};
}

QStringList awkwardTexts()
{
    return {QStringLiteral("é"),
            QStringLiteral("ü"),
            QStringLiteral("日本"),
            QString(QChar(0x0100)),
            QString(QChar(0x4E00)),
            QString(QChar(0xFEFF)),
            QStringLiteral("\uFEFFabc"),
            QStringLiteral("\uFEFF日本"),
            QStringLiteral("a\u0100b\u4E00c"),
            QStringLiteral("plain ascii text"),
            QStringLiteral("ab"),
            QStringLiteral("x"),
            QStringLiteral("Grüße aus Köln, 日本語 and back to ASCII"),
            QStringLiteral("日本語ab日本語"),
            QStringLiteral("\u00FF\u00FE\u0001")};
}

QStringList boundaryMemos()
{
    // 64 bytes is the inline limit, 4,080 the largest single LVAL row, 4,076 a chain chunk; compressed
    // ASCII takes 1 byte a character plus 2, plain text 2 bytes a character.
    const std::vector<int> sizes = {0,    1,    2,    31,   32,   33,   62,    63,    64,
                                    65,   1024, 1025, 2038, 2039, 2040, 2041,  4076,  4077,
                                    4078, 4079, 4080, 4081, 8152, 8153, 12228, 12229, 70000};
    QStringList memos;
    for (const int size : sizes) {
        memos << QString(size, QLatin1Char('a'));
        memos << QString(size, QChar(0xE9));
        memos << QString(size, QChar(0x65E5));
    }
    QString mixed;
    for (int i = 0; i < 5000; ++i)
        mixed += (i % 100 < 50) ? QChar(QLatin1Char('a' + i % 26)) : QChar(0x3042 + i % 50);
    memos << mixed;
    return memos;
}

TableModel wideTable()
{
    const ColumnType types[] = {ColumnType::Text,   ColumnType::Long,    ColumnType::Bool, ColumnType::Double,
                                ColumnType::Memo,   ColumnType::Integer, ColumnType::Byte, ColumnType::Currency,
                                ColumnType::Single, ColumnType::DateTime};
    TableModel table;
    table.name = QStringLiteral("Wide");
    for (int c = 0; c < 160; ++c)
        table.addColumn(QStringLiteral("Column number %1 with a long name").arg(c), types[c % 10], 8);
    for (int r = 0; r < 60; ++r) {
        Row row;
        for (int c = 0; c < 160; ++c) {
            const bool null = (r + c) % 7 == 0;
            switch (types[c % 10]) {
            case ColumnType::Text: row.push_back(null ? Value() : Value(QStringLiteral("r%1c%2").arg(r).arg(c))); break;
            case ColumnType::Memo: row.push_back(null ? Value() : Value(QString(r * 3, QChar(0xFC)))); break;
            case ColumnType::Bool: row.push_back((r + c) % 2 == 0); break;
            case ColumnType::Double: row.push_back(null ? Value() : Value(r * 1000.0 + c / 3.0)); break;
            case ColumnType::Single: row.push_back(null ? Value() : Value(r + c / 4.0)); break;
            case ColumnType::DateTime: row.push_back(null ? Value() : Value(OleDate{40000.0 + r + c / 8.0})); break;
            case ColumnType::Byte: row.push_back(null ? Value() : Value((r * c) % 256)); break;
            default: row.push_back(null ? Value() : Value(r * 160 - c)); break;
            }
        }
        table.rows.push_back(std::move(row));
    }
    return table;
}

QString writeFile(const QString& directory, const QString& name, const DatabaseModel& model)
{
    const QString path = directory + QLatin1Char('/') + name + QStringLiteral(".mdb");
    writeDatabaseFile(model, path);
    return path;
}

}  // namespace writerfixtures
