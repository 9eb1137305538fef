#include "mainwindow/frmmain.h"

#include "dictionary/recordset.h"
#include "mainwindow/lockedboxes.h"
#include "mainwindow/sqltext.h"

#include <QListWidget>
#include <QPlainTextEdit>

namespace {

QString textOrEmpty(const volmira::FieldValue& value)
{
    return value.isNull() ? QString() : value.toText();
}

}  // namespace

void frmMain::lstTables_Click()
{
    const QListWidgetItem* selected = lstTables->currentItem();
    strTable = selected ? selected->text() : QString();
    if (strSearchArea == QLatin1String("ALL")) {
        // After a search across all areas the table is shown under its own area. A table without a
        // row in Main (one found by its description) or with a Null area keeps the area shown.
        volmira::Recordset area;
        area.Open(QStringLiteral("Select [Functional Area] from Main where Table= '")
                      + volmira::doubleApostrophes(strTable) + QStringLiteral("' "),
                  *cnDict);
        if (!area.Eof() && !area.Fields(0).Value.isNull())
            strArea = area.Fields(0).Value.toText();
        ShowFunctionalArea();
        area.Close();
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
    txtTblDD->showText(textOrEmpty(rsTableDesc->Fields(1).Value));
    txtTblLD->showText(textOrEmpty(rsTableDesc->Fields(2).Value));
}
