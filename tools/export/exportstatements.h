#pragma once

// The dictionary statements the export runs, as the window runs them.

#include "mainwindow/sqltext.h"

#include <QString>

namespace volmira::exporting {

inline QString versionStatement()
{
    return QStringLiteral("Select MAX(Rels_No) from CDS_TBL_RELS_RELEASES");
}

inline QString areaTablesStatement(const QString& area)
{
    return QStringLiteral("Select Distinct Table from Main where [Functional Area]='") + doubleApostrophes(area)
           + QStringLiteral("'");
}

inline QString tableDescriptionStatement(const QString& area, const QString& table)
{
    return QStringLiteral("Select Distinct Table,Description,[Logical Name] from CDS_TBL_TABLE_DESC "
                          "where [Functional Area]= '")
           + doubleApostrophes(area) + QStringLiteral("' and Table = '") + doubleApostrophes(table)
           + QStringLiteral("' ");
}

inline QString tableColumnsStatement(const QString& area, const QString& table)
{
    return QStringLiteral("Select Distinct Column,[Data Type],[Data Attributes],[Logical Desc],[PD_Definition],"
                          "[Primary Key],[Foreign Key],[Column_SeqNo],[GUI Name],[GUI Control] from Main "
                          "where [Functional Area]= '")
           + doubleApostrophes(area) + QStringLiteral("' and Table = '") + doubleApostrophes(table)
           + QStringLiteral("' order by [Column_SeqNo] ");
}

// The valid values of all columns of one table, in the order the file stores them: the rows of each
// column are those, and in that order, of the window's valid-values statement for the column.
inline QString tableValidValuesStatement(const QString& area, const QString& table)
{
    return QStringLiteral("Select [Column], Value, Description from [Values] where [Functional Area]='")
           + doubleApostrophes(area) + QStringLiteral("' and [Table] = '") + doubleApostrophes(table)
           + QStringLiteral("' ");
}

inline QString validValuesStatement(const QString& area, const QString& table, const QString& column)
{
    return QStringLiteral("Select Value, Description from [Values] where [Functional Area]='") + doubleApostrophes(area)
           + QStringLiteral("' and [Table] = '") + doubleApostrophes(table) + QStringLiteral("' and [Column] = '")
           + doubleApostrophes(column) + QStringLiteral("' ");
}

}  // namespace volmira::exporting
