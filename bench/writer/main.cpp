// Times writing the synthetic dictionary through the C++ interface, and optionally writes the same
// dictionary as a JSON description for mdb-write.
//   bench_writer [MAIN_ROWS] [OUT.mdb] [--json DESCRIPTION.json]

#include "testkit/mdbwrite/databasewriter.h"
#include "testkit/mdbwrite/syntheticdictionary.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <cstring>

using namespace volmira::jet4;

namespace {

QJsonValue toJson(const Value& value)
{
    if (value.isNull())
        return QJsonValue::Null;
    if (value.isBool())
        return value.toBool();
    if (value.isInteger())
        return double(value.toInteger());
    if (value.isReal())
        return value.toReal();
    return value.toText();
}

void writeJson(const DatabaseModel& model, const QString& path)
{
    QJsonArray tables;
    for (const TableModel& table : model.tables) {
        QJsonArray columns;
        for (const ColumnModel& column : table.columns) {
            QJsonObject c{{"name", column.name}, {"type", columnTypeName(column.type)}};
            if (column.type == ColumnType::Text)
                c.insert("size", column.size);
            columns.append(c);
        }
        QJsonArray rows;
        Row row;
        for (std::size_t i = 0; i < table.rowCount(); ++i) {
            row.clear();
            table.rowGenerator(i, row);
            QJsonArray values;
            for (const Value& value : row)
                values.append(toJson(value));
            rows.append(values);
        }
        tables.append(QJsonObject{{"name", table.name}, {"columns", columns}, {"rows", rows}});
    }
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return;
    out.write(QJsonDocument(QJsonObject{{"tables", tables}}).toJson(QJsonDocument::Compact));
}

}  // namespace

int main(int argc, char** argv)
{
    std::size_t mainRows = 100000;
    QString out = QStringLiteral("synthetic.mdb");
    QString json;
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--json") == 0 && i + 1 < argc)
            json = QString::fromLocal8Bit(argv[++i]);
        else if (positional++ == 0)
            mainRows = std::strtoull(argv[i], nullptr, 10);
        else
            out = QString::fromLocal8Bit(argv[i]);
    }
    const DatabaseModel model = syntheticDictionary(mainRows);
    QElapsedTimer timer;
    timer.start();
    const QByteArray bytes = writeDatabase(model);
    const qint64 built = timer.restart();
    QFile file(out);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "writer: cannot write %s\n", qPrintable(out));
        return 1;
    }
    file.close();
    const qint64 saved = timer.elapsed();
    std::printf("writer: %zu Main rows, %lld bytes: built in %lld ms, saved in %lld ms (%s)\n", mainRows,
                static_cast<long long>(bytes.size()), static_cast<long long>(built), static_cast<long long>(saved),
                qPrintable(out));
    if (!json.isEmpty()) {
        writeJson(model, json);
        std::printf("writer: description written to %s\n", qPrintable(json));
    }
    return 0;
}
