#pragma once

// Dictionaries described in test code and handed to the engine as the reader would hand them over.

#include "dictionary/error.h"
#include "dictionary/sqliteengine.h"
#include "dictionary/tablesink.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

namespace testing {

struct Cell {
    volmira::CellView::Kind kind = volmira::CellView::Kind::Null;
    double number = 0;
    std::string text;
};
inline Cell null() { return {}; }
inline Cell text(const QString& value) { return {volmira::CellView::Kind::Text, 0, value.toStdString()}; }
inline Cell text(const char* value) { return text(QString::fromUtf8(value)); }
inline Cell number(double value) { return {volmira::CellView::Kind::Number, value, {}}; }
inline Cell single(float value) { return {volmira::CellView::Kind::Single, double(value), {}}; }
inline Cell yesNo(bool value) { return {volmira::CellView::Kind::YesNo, value ? -1.0 : 0.0, {}}; }
inline Cell date(double serialDays) { return {volmira::CellView::Kind::Date, serialDays, {}}; }
inline Cell bytes(const std::string& value) { return {volmira::CellView::Kind::Binary, 0, value}; }

struct FakeTable {
    QString name;
    std::vector<volmira::ColumnInfo> columns;
    std::vector<std::vector<Cell>> rows;
};

// One row of Main with the fields the tests vary; the rest get plain values.
struct MainRow {
    Cell table;
    Cell column;
    Cell area = text("acct");
    Cell seqNo = number(1);
    Cell definition = text("definition");
    Cell guiName = text("Label");
    Cell primaryKey = yesNo(false);
    Cell dataType = text("char");
    Cell dataAttributes = text("12");
};

class FakeDictionary {
public:
    FakeDictionary& add(FakeTable table)
    {
        tables_.push_back(std::move(table));
        return *this;
    }

    FakeDictionary& main(const std::vector<MainRow>& rows)
    {
        using volmira::ColumnType;
        FakeTable table{QStringLiteral("Main"),
                        {{"Table", ColumnType::Text},
                         {"Column", ColumnType::Text},
                         {"Functional Area", ColumnType::Text},
                         {"Data Type", ColumnType::Text},
                         {"Data Attributes", ColumnType::Text},
                         {"Logical Desc", ColumnType::Text},
                         {"PD_Definition", ColumnType::Memo},
                         {"Primary Key", ColumnType::Bool},
                         {"Foreign Key", ColumnType::Bool},
                         {"Column_SeqNo", ColumnType::Long},
                         {"GUI Name", ColumnType::Text},
                         {"GUI Control", ColumnType::Text}},
                        {}};
        for (const MainRow& r : rows)
            table.rows.push_back({r.table, r.column, r.area, r.dataType, r.dataAttributes, text("logical"),
                                  r.definition, r.primaryKey, yesNo(true), r.seqNo, r.guiName, null()});
        return add(std::move(table));
    }

    FakeDictionary& tableDescriptions(const std::vector<std::vector<Cell>>& rows)
    {
        using volmira::ColumnType;
        return add({QStringLiteral("CDS_TBL_TABLE_DESC"),
                    {{"Table", ColumnType::Text},
                     {"Description", ColumnType::Memo},
                     {"Logical Name", ColumnType::Text},
                     {"Functional Area", ColumnType::Text}},
                    rows});
    }

    FakeDictionary& values(const std::vector<std::vector<Cell>>& rows)
    {
        using volmira::ColumnType;
        return add({QStringLiteral("Values"),
                    {{"Value", ColumnType::Text},
                     {"Description", ColumnType::Text},
                     {"Functional Area", ColumnType::Text},
                     {"Table", ColumnType::Text},
                     {"Column", ColumnType::Text}},
                    rows});
    }

    FakeDictionary& releases(const std::vector<Cell>& numbers, volmira::ColumnType type = volmira::ColumnType::Long)
    {
        FakeTable table{
            QStringLiteral("CDS_TBL_RELS_RELEASES"), {{"Rels_No", type}, {"Rels_Date", volmira::ColumnType::Text}}, {}};
        for (const Cell& n : numbers)
            table.rows.push_back({n, text("2001-01-01")});
        return add(std::move(table));
    }

    // The reader's side: the catalog, then each wanted table that exists, as the reader streams them.
    volmira::TableReader reader()
    {
        auto tables = std::make_shared<std::vector<FakeTable>>(tables_);
        auto log = log_;
        return [tables, log](const QStringList& wanted, volmira::TableSink& sink) {
            log->push_back(wanted);
            QStringList names;
            for (const FakeTable& t : *tables)
                names << t.name;
            sink.catalog(names);
            for (const FakeTable& t : *tables) {
                if (!wanted.contains(t.name, Qt::CaseInsensitive))
                    continue;
                sink.beginTable(t.name, t.columns);
                std::vector<volmira::CellView> cells;
                for (const auto& row : t.rows) {
                    cells.clear();
                    for (const Cell& c : row)
                        cells.push_back({c.kind, c.number, c.text});
                    sink.row(cells.data(), int(cells.size()));
                }
                sink.endTable();
            }
        };
    }

    std::shared_ptr<volmira::SqliteEngine>
    engine(volmira::Engine::Preload preload = volmira::Engine::Preload::DictionaryTables)
    {
        return std::make_shared<volmira::SqliteEngine>(reader(), true, preload);
    }

    // The lists of tables the engine asked for, one per reading.
    const std::vector<QStringList>& readings() const { return *log_; }

private:
    std::vector<FakeTable> tables_;
    std::shared_ptr<std::vector<QStringList>> log_ = std::make_shared<std::vector<QStringList>>();
};

// Each row of a statement's result as its fields joined by '|', Null as "<null>".
inline QStringList rows(volmira::Engine& engine, const QString& sql)
{
    const auto result = engine.run(sql);
    QStringList lines;
    for (size_t r = 0; result.columnCount && r < result.cells.size(); r += size_t(result.columnCount)) {
        QStringList fields;
        for (int i = 0; i < result.columnCount; ++i) {
            const volmira::FieldValue& value = result.cells[r + size_t(i)].Value;
            fields << (value.isNull() ? QStringLiteral("<null>") : value.toText());
        }
        lines << fields.join(u'|');
    }
    return lines;
}

// The number of the error a statement raises, 0 when it runs.
inline int errorOf(volmira::Engine& engine, const QString& sql, QString* description = nullptr)
{
    try {
        engine.run(sql);
    } catch (const volmira::Error& e) {
        if (description)
            *description = e.description();
        return e.number();
    }
    return 0;
}

}  // namespace testing
