#include "mainwindow/frmmain.h"

#include "dictionary/recordset.h"
#include "dictionary/statements.h"
#include "search/searchtext.h"

#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QStringList>

void frmMain::LoadTableColumns(const QString& tableName)
{
    intMatchPos = 0;
    intMatchCount = 0;
    rsColumns = std::make_unique<volmira::Recordset>();
    strSQL = volmira::statements::columns(strArea, tableName);

    const QString searchText = volmira::trimBlanks(txtSearch->text());
    const bool searchTextPresent = !searchText.isEmpty();
    if (searchTextPresent && optColDesc->isChecked()) {
        rsMatches = std::make_unique<volmira::Recordset>();
        rsMatches->Open(volmira::statements::columnMatches(strArea, tableName, searchText), *cnDict);
        for (; !rsMatches->Eof(); rsMatches->MoveNext())
            ++intMatchCount;
        if (intMatchCount != 0)
            rsMatches->MoveFirst();
        intMatchIndex = -1;
    }

    rsColumns->Open(strSQL, *cnDict);
    clearList(lstColumns);
    QStringList columns;
    for (; !rsColumns->Eof(); rsColumns->MoveNext()) {
        const volmira::FieldValue& column = rsColumns->Fields(volmira::statements::ColumnsField::Column).Value;
        if (!column.isNull())  // a Null name cannot be a list item
            columns << column.toText();
    }
    lstColumns->addItems(columns);
    lstColumns->update();

    if (searchTextPresent && (optColumn->isChecked() || optColDesc->isChecked()))
        cmdNext_Click();
    else if (lstColumns->count() > 0)
        setListIndex(lstColumns, 0);
}
