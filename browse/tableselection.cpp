#include "mainwindow/frmmain.h"

#include "dictionary/recordset.h"
#include "dictionary/shownattributes.h"
#include "dictionary/statements.h"

#include <QListWidget>
#include <QPlainTextEdit>

void frmMain::lstTables_Click()
{
    const QListWidgetItem* selected = lstTables->currentItem();
    strTable = selected ? selected->text() : QString();
    if (strSearchArea == QLatin1String("ALL")) {
        // After a search across all areas the table is shown under its own area. A table without a
        // row in Main (one found by its description) or with a Null area keeps the area shown.
        volmira::Recordset area;
        area.Open(volmira::statements::tableArea(strTable), *cnDict);
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
    rsTableDesc->Open(volmira::statements::tableDescription(strArea, tableName), *cnDict);
    if (rsTableDesc->Eof())
        return;
    namespace Field = volmira::statements::TableDescriptionField;
    txtTblDD->setPlainText(volmira::shownText(rsTableDesc->Fields(Field::Description).Value));
    txtTblLD->setPlainText(volmira::shownText(rsTableDesc->Fields(Field::LogicalName).Value));
}
