#pragma once

// Dictionary files for window tests, written as real Jet 4.0 files with the test writer.
//
//     DictionaryBuilder dictionary;
//     dictionary.column({"acct", "ACCT_A", "A_ID"}).dataType("char", "12").primaryKey();
//     dictionary.tableDescription("acct", "ACCT_A", "Accounts", "Accounts table");
//     dictionary.validValue("acct", "ACCT_A", "A_ID", "1", "One");
//     dictionary.release(451);
//     const QString path = dictionary.write(folder.filePath("dict.mdb"));

#include "testkit/mdbwrite/databasewriter.h"
#include "testkit/mdbwrite/jet4model.h"
#include "testkit/mdbwrite/syntheticdictionary.h"

#include <QString>

#include <algorithm>
#include <deque>
#include <functional>

class DictionaryBuilder final {
public:
    using Value = volmira::jet4::Value;

    // One row of Main. Defaults: a plain text column with every description present.
    struct MainRow final {
        Value area;
        Value table;
        Value column;
        Value dataTypeValue = "char";
        Value dataAttributes = "10";
        Value logicalDesc = "Logical description";
        Value definition = "Data definition";
        bool primary = false;
        bool foreign = false;
        Value seqNo = 1;
        Value guiName = "Label";
        Value guiControl = "TextBox";

        MainRow& dataType(Value type, Value attributes)
        {
            dataTypeValue = std::move(type);
            dataAttributes = std::move(attributes);
            return *this;
        }
        MainRow& descriptions(Value logical, Value dataDefinition)
        {
            logicalDesc = std::move(logical);
            definition = std::move(dataDefinition);
            return *this;
        }
        MainRow& primaryKey(bool on = true)
        {
            primary = on;
            return *this;
        }
        MainRow& foreignKey(bool on = true)
        {
            foreign = on;
            return *this;
        }
        MainRow& sequence(int number)
        {
            seqNo = number;
            return *this;
        }
        MainRow& gui(Value name, Value control)
        {
            guiName = std::move(name);
            guiControl = std::move(control);
            return *this;
        }
    };

    struct Key final {
        Value area;
        Value table;
        Value column;
    };

    // Column rows get ascending sequence numbers in the order they are added unless told otherwise.
    MainRow& column(const Key& key)
    {
        MainRow row;
        row.area = key.area;
        row.table = key.table;
        row.column = key.column;
        row.seqNo = int(mainRows_.size()) + 1;
        mainRows_.push_back(row);
        return mainRows_.back();
    }

    DictionaryBuilder& tableDescription(Value area, Value table, Value logicalName, Value description)
    {
        descriptionRows_.push_back({std::move(table), std::move(description), std::move(logicalName), std::move(area)});
        return *this;
    }

    DictionaryBuilder& validValue(Value area, Value table, Value column, Value value, Value description)
    {
        valueRows_.push_back(
            {std::move(value), std::move(description), std::move(area), std::move(table), std::move(column)});
        return *this;
    }

    DictionaryBuilder& release(Value number)
    {
        releaseRows_.push_back({std::move(number), nullptr});
        return *this;
    }

    // Adds count rows to Main made by fill (index 0 first) when the file is written, for dictionaries
    // too large to hold as rows.
    DictionaryBuilder& generatedColumns(std::size_t count, std::function<void(std::size_t, MainRow&)> fill)
    {
        generatedCount_ = count;
        generator_ = std::move(fill);
        return *this;
    }

    // Leaves out one of the four tables, or only the named column of it, for dictionaries that lack it.
    DictionaryBuilder& without(const QString& tableName, const QString& columnName = {})
    {
        omitted_ = tableName;
        omittedColumn_ = columnName;
        return *this;
    }

    QString write(const QString& path) const
    {
        using volmira::jet4::ColumnType;
        volmira::jet4::DatabaseModel model;
        const auto wanted = [this](const char* table) {
            return omitted_ != QLatin1String(table) || !omittedColumn_.isEmpty();
        };
        if (wanted("Main")) {
            auto& main = volmira::jet4::addDictionaryMainTable(model);
            const auto toRow = [](const MainRow& r) {
                return volmira::jet4::Row{r.table,          r.column,      r.area,       r.dataTypeValue,
                                          r.dataAttributes, r.logicalDesc, r.definition, r.primary,
                                          r.foreign,        r.seqNo,       r.guiName,    r.guiControl};
            };
            if (generatedCount_ == 0) {
                for (const MainRow& r : mainRows_)
                    main.rows.push_back(toRow(r));
            } else {
                main.generatedRowCount = mainRows_.size() + generatedCount_;
                main.rowGenerator = [this, toRow](std::size_t index, volmira::jet4::Row& row) {
                    if (index < mainRows_.size()) {
                        row = toRow(mainRows_[index]);
                        return;
                    }
                    MainRow made;
                    made.seqNo = int(index) + 1;
                    generator_(index - mainRows_.size(), made);
                    row = toRow(made);
                };
            }
        }
        if (wanted("CDS_TBL_TABLE_DESC")) {
            auto& descriptions = model.addTable(QStringLiteral("CDS_TBL_TABLE_DESC"));
            descriptions.addColumn(QStringLiteral("Table"), ColumnType::Text, 100)
                .addColumn(QStringLiteral("Description"), ColumnType::Memo)
                .addColumn(QStringLiteral("Logical Name"), ColumnType::Text, 255)
                .addColumn(QStringLiteral("Functional Area"), ColumnType::Text, 10);
            descriptions.rows = descriptionRows_;
        }
        if (wanted("Values")) {
            auto& values = model.addTable(QStringLiteral("Values"));
            values.addColumn(QStringLiteral("Value"), ColumnType::Text, 50)
                .addColumn(QStringLiteral("Description"), ColumnType::Text, 255)
                .addColumn(QStringLiteral("Functional Area"), ColumnType::Text, 10)
                .addColumn(QStringLiteral("Table"), ColumnType::Text, 100)
                .addColumn(QStringLiteral("Column"), ColumnType::Text, 100);
            values.rows = valueRows_;
        }
        if (wanted("CDS_TBL_RELS_RELEASES")) {
            auto& releases = model.addTable(QStringLiteral("CDS_TBL_RELS_RELEASES"));
            releases.addColumn(QStringLiteral("Rels_No"), ColumnType::Long)
                .addColumn(QStringLiteral("Rels_Date"), ColumnType::DateTime);
            releases.rows = releaseRows_;
        }
        if (!omittedColumn_.isEmpty())
            dropOmittedColumn(model);
        volmira::jet4::writeDatabaseFile(model, path);
        return path;
    }

private:
    void dropOmittedColumn(volmira::jet4::DatabaseModel& model) const
    {
        for (auto& table : model.tables) {
            if (table.name != omitted_)
                continue;
            const auto at = std::find_if(table.columns.begin(), table.columns.end(),
                                         [this](const auto& column) { return column.name == omittedColumn_; })
                            - table.columns.begin();
            table.columns.erase(table.columns.begin() + at);
            for (auto& row : table.rows)
                row.erase(row.begin() + at);
            if (table.rowGenerator)
                table.rowGenerator = [make = table.rowGenerator, at](std::size_t index, volmira::jet4::Row& row) {
                    make(index, row);
                    row.erase(row.begin() + at);
                };
        }
    }

    std::deque<MainRow> mainRows_;  // deque: column() hands out references that stay valid
    std::vector<volmira::jet4::Row> descriptionRows_;
    std::vector<volmira::jet4::Row> valueRows_;
    std::vector<volmira::jet4::Row> releaseRows_;
    QString omitted_;
    QString omittedColumn_;
    std::size_t generatedCount_ = 0;
    std::function<void(std::size_t, MainRow&)> generator_;
};
