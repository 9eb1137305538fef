#include "searchdictionary.h"

#include "testkit/mdbwrite/databasewriter.h"
#include "testkit/mdbwrite/syntheticdictionary.h"

using namespace volmira::jet4;

SearchDictionary& SearchDictionary::column(const QString& area, const std::optional<QString>& table,
                                           const QString& column, const QString& definition, int seqNo)
{
    if (seqNo < 0) {
        seqNo = 1;
        for (const MainRow& row : main_)
            if (row.table == table)
                ++seqNo;
    }
    main_.push_back({area, table, column, definition, seqNo});
    return *this;
}

SearchDictionary& SearchDictionary::tableDescription(const QString& area, const QString& table,
                                                     const QString& description, const QString& logicalName)
{
    descriptions_.push_back({area, table, description, logicalName});
    return *this;
}

QString SearchDictionary::write(const QString& path) const
{
    DatabaseModel model;
    TableModel& main = addDictionaryMainTable(model);
    for (const MainRow& row : main_) {
        main.rows.push_back({row.table ? Value(*row.table) : Value(), Value(row.column), Value(row.area), Value("char"),
                             Value("10"), Value("logical " + row.column), Value(row.definition), Value(false),
                             Value(false), Value(row.seqNo), Value(), Value()});
    }

    TableModel& descriptions = model.addTable(QStringLiteral("CDS_TBL_TABLE_DESC"));
    descriptions.addColumn("Table", ColumnType::Text, 255)
        .addColumn("Description", ColumnType::Memo)
        .addColumn("Logical Name", ColumnType::Text, 255)
        .addColumn("Functional Area", ColumnType::Text, 50);
    for (const DescriptionRow& row : descriptions_)
        descriptions.rows.push_back(
            {Value(row.table), Value(row.description), Value(row.logicalName), Value(row.area)});

    TableModel& values = model.addTable(QStringLiteral("Values"));
    values.addColumn("Value", ColumnType::Text, 50)
        .addColumn("Description", ColumnType::Text, 255)
        .addColumn("Functional Area", ColumnType::Text, 50)
        .addColumn("Table", ColumnType::Text, 255)
        .addColumn("Column", ColumnType::Text, 255);

    TableModel& releases = model.addTable(QStringLiteral("CDS_TBL_RELS_RELEASES"));
    releases.addColumn("Rels_No", ColumnType::Long);
    releases.rows.push_back({Value(451)});

    writeDatabaseFile(model, path);
    return path;
}
