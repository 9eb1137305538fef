#include "mainwindow/frmmain.h"

#include "dictionary/recordset.h"
#include "dictionary/shownattributes.h"
#include "dictionary/statements.h"
#include "mainwindow/lockedboxes.h"

#include <QListWidget>
#include <QPlainTextEdit>

namespace {

// The area in the first row of a statement that selects one area; empty when there is no row or
// its area is Null or empty.
QString firstArea(const QString& sql, volmira::Connection& connection)
{
    volmira::Recordset area;
    area.Open(sql, connection);
    const QString found = area.Eof() ? QString() : volmira::shownText(area.Fields(0).Value);
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
        QString area = firstArea(volmira::statements::tableArea(strTable), *cnDict);
        if (area.isEmpty())
            area = firstArea(volmira::statements::describedTableArea(strTable), *cnDict);
        if (area.isEmpty()) {
            area = QStringLiteral("ALL");
            txtTblDD->showText(QString());
            txtTblLD->showText(QString());
        }
        strArea = area;
        ShowFunctionalArea();
    }
    ShowTableAttributes(strTable);
    walk.intSelIndex = lstTables->currentRow();
    walk.intMatchIndex = -1;
    LoadTableColumns(strTable);
}

void frmMain::ShowTableAttributes(const QString& tableName)
{
    volmira::Recordset description;
    description.Open(volmira::statements::tableDescription(strArea, tableName), *cnDict);
    if (description.Eof())
        return;
    namespace Field = volmira::statements::TableDescriptionField;
    txtTblDD->showText(volmira::shownText(description.Fields(Field::Description).Value));
    txtTblLD->showText(volmira::shownText(description.Fields(Field::LogicalName).Value));
}
