#include "dictionary/statements.h"

namespace volmira {

QString doubleApostrophes(const QString& value)
{
    QString quoted = value;
    return quoted.replace(QLatin1Char('\''), QLatin1String("''"));
}

namespace statements {

QString connectionString(const QString& path)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path
           + QStringLiteral(";Persist Security Info=False");
}

const QStringList& dictionaryTables()
{
    static const QStringList tables{QStringLiteral("Main"), QStringLiteral("CDS_TBL_TABLE_DESC"),
                                    QStringLiteral("Values"), QStringLiteral("CDS_TBL_RELS_RELEASES")};
    return tables;
}

QString version() { return QStringLiteral("Select MAX(Rels_No) from CDS_TBL_RELS_RELEASES"); }

QString areaTables(const QString& area)
{
    return QStringLiteral("Select Distinct Table from Main where [Functional Area]='") + doubleApostrophes(area)
           + QStringLiteral("'");
}

QString tableArea(const QString& table)
{
    return QStringLiteral("Select [Functional Area] from Main where Table= '") + doubleApostrophes(table)
           + QStringLiteral("' ");
}

QString describedTableArea(const QString& table)
{
    return QStringLiteral("Select [Functional Area] from CDS_TBL_TABLE_DESC where Table= '") + doubleApostrophes(table)
           + QStringLiteral("' ");
}

QString tableDescription(const QString& area, const QString& table)
{
    return QStringLiteral("Select Distinct Table,Description,[Logical Name] from CDS_TBL_TABLE_DESC "
                          "where [Functional Area]= '")
           + doubleApostrophes(area) + QStringLiteral("' and Table = '") + doubleApostrophes(table)
           + QStringLiteral("' ");
}

QString columns(const QString& area, const QString& table)
{
    return QStringLiteral("Select Distinct Column,[Data Type],[Data Attributes],[Logical Desc],[PD_Definition],"
                          "[Primary Key],[Foreign Key],[Column_SeqNo],[GUI Name],[GUI Control] from Main "
                          "where [Functional Area]= '")
           + doubleApostrophes(area) + QStringLiteral("' and Table = '") + doubleApostrophes(table)
           + QStringLiteral("' order by [Column_SeqNo] ");
}

QString columnMatches(const QString& area, const QString& table, const QString& text)
{
    return QStringLiteral("Select Distinct Column,[PD_Definition],[Column_SeqNo] from Main where [Functional Area]= '")
           + doubleApostrophes(area) + QStringLiteral("' and Table = '") + doubleApostrophes(table)
           + QStringLiteral("' and InStr([PD_Definition], '") + doubleApostrophes(text)
           + QStringLiteral("' ) > 0 order by [Column_SeqNo] ");
}

QString validValues(const QString& area, const QString& table, const QString& column)
{
    return QStringLiteral("Select Value, Description from [Values] where [Functional Area]='") + doubleApostrophes(area)
           + QStringLiteral("' and [Table] = '") + doubleApostrophes(table) + QStringLiteral("' and [Column] = '")
           + doubleApostrophes(column) + QStringLiteral("' ");
}

QString tableValidValues(const QString& area, const QString& table)
{
    return QStringLiteral("Select [Column], Value, Description from [Values] where [Functional Area]='")
           + doubleApostrophes(area) + QStringLiteral("' and [Table] = '") + doubleApostrophes(table)
           + QStringLiteral("' ");
}

QString allColumns()
{
    return QStringLiteral("Select [Functional Area],Table,Column,[Data Type],[Data Attributes],[Primary Key],"
                          "[Foreign Key],[Column_SeqNo] from Main");
}

QString valuedColumns()
{
    return QStringLiteral("Select Distinct [Functional Area],[Table],[Column] from [Values]");
}

QString areaColumns(const QString& area)
{
    return QStringLiteral("Select Table,Column,[Data Type],[Data Attributes],[Logical Desc],[PD_Definition],"
                          "[Primary Key],[Foreign Key],[Column_SeqNo],[GUI Name],[GUI Control] from Main "
                          "where [Functional Area]= '")
           + doubleApostrophes(area) + QStringLiteral("' ");
}

QString areaTableDescriptions(const QString& area)
{
    return QStringLiteral("Select Table,Description,[Logical Name] from CDS_TBL_TABLE_DESC where [Functional Area]= '")
           + doubleApostrophes(area) + QStringLiteral("' ");
}

QString allValidValues()
{
    return QStringLiteral("Select [Functional Area], [Table], [Column], Value, Description from [Values]");
}

QString searchAllAreas(SearchMode mode, const QString& text)
{
    const QString t = doubleApostrophes(text);
    switch (mode) {
    case SearchMode::TableName:
        return "SELECT DISTINCT Table from Main where InStr(Table, '" + t + "' ) > 0 order by Table";
    case SearchMode::TableDescription:
        return "Select Distinct Table from CDS_TBL_TABLE_DESC where InStr(Description, '" + t
               + "' ) > 0 order by Table";
    case SearchMode::ColumnName:
        return "Select Distinct Table from Main where InStr([Column], '" + t + "' ) > 0 order by Table";
    case SearchMode::ColumnDescription:
        return "Select Distinct Table from Main where InStr([PD_Definition], '" + t + "' ) > 0 order by Table";
    }
    return {};
}

QString searchArea(SearchMode mode, const QString& area, const QString& text)
{
    const QString a = doubleApostrophes(area);
    const QString t = doubleApostrophes(text);
    switch (mode) {
    case SearchMode::TableName:
        return "SELECT DISTINCT Table from Main where [Functional Area] = '" + a + "'  and InStr(Table, '" + t
               + "' ) > 0 ";
    case SearchMode::TableDescription:
        return "Select Distinct Table from CDS_TBL_TABLE_DESC where [Functional Area]= '" + a
               + "' and InStr(Description, '" + t + "' ) > 0 ";
    case SearchMode::ColumnName:
        return "Select Distinct Table from Main where [Functional Area]= '" + a + "' and InStr([Column], '" + t
               + "' ) > 0 ";
    case SearchMode::ColumnDescription:
        return "Select Distinct Table from Main where [Functional Area]= '" + a + "' and InStr([PD_Definition], '" + t
               + "' ) > 0 ";
    }
    return {};
}

}  // namespace statements

}  // namespace volmira
