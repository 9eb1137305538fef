#include "mainwindow/frmmain.h"

#include "dictionary/recordset.h"
#include "mainwindow/sqltext.h"

#include <QListWidget>
#include <QPlainTextEdit>

namespace {

QString textOrEmpty(const volmira::FieldValue& value)
{
    return value.isNull() ? QString() : value.toText();
}

// The area in the first row of a statement that selects one area; empty when there is no row or
// its area is Null or empty.
QString firstArea(const QString& sql, volmira::Connection& connection)
{
    volmira::Recordset area;
    area.Open(sql, connection);
    const QString found = area.Eof() ? QString() : textOrEmpty(area.Fields(0).Value);
    area.Close();
    return found;
}

}  // namespace

void frmMain::lstTables_Click()
{
    const QListWidgetItem* selected = lstTables->currentItem();
    strTable = selected ? selected->text() : QString();
    if (strSearchArea == QLatin1String("ALL")) {
        // After a search across all areas the table is shown under its own area: the first one Main
        // files it under, or, for a table found only by its description, the area of the first
        // description row that lists it, so that its own descriptions show. A table filed under no
        // area is shown under "ALL" with empty description boxes, never with another table's texts.
        const QString quotedTable = volmira::doubleApostrophes(strTable);
        QString area = firstArea(
            QStringLiteral("Select [Functional Area] from Main where Table= '") + quotedTable + QStringLiteral("' "),
            *cnDict);
        if (area.isEmpty())
            area = firstArea(QStringLiteral("Select [Functional Area] from CDS_TBL_TABLE_DESC where Table= '")
                                 + quotedTable + QStringLiteral("' "),
                             *cnDict);
        if (area.isEmpty()) {
            area = QStringLiteral("ALL");
            txtTblDD->setPlainText(QString());
            txtTblLD->setPlainText(QString());
        }
        strArea = area;
        ShowFunctionalArea();
    }
    ShowTableAttributes(strTable);
    intSelIndex = lstTables->currentRow();
    intMatchIndex = -1;
    LoadTableColumns(strTable);
}

void frmMain::ShowTableAttributes(const QString& tableName)
{
    rsTableDesc = std::make_unique<volmira::Recordset>();
    rsTableDesc->Open(QStringLiteral("Select Distinct Table,Description,[Logical Name] from CDS_TBL_TABLE_DESC "
                                     "where [Functional Area]= '")
                          + volmira::doubleApostrophes(strArea) + QStringLiteral("' and Table = '")
                          + volmira::doubleApostrophes(tableName) + QStringLiteral("' "),
                      *cnDict);
    if (rsTableDesc->Eof())
        return;
    txtTblDD->setPlainText(textOrEmpty(rsTableDesc->Fields(1).Value));
    txtTblLD->setPlainText(textOrEmpty(rsTableDesc->Fields(2).Value));
}
