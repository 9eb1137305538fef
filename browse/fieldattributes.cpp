#include "mainwindow/frmmain.h"

#include "dictionary/recordset.h"
#include "dictionary/shownattributes.h"
#include "dictionary/statements.h"
#include "mainwindow/lockedboxes.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>

void frmMain::lstColumns_Click()
{
    const QListWidgetItem* selected = lstColumns->currentItem();
    strColumn = selected ? selected->text() : QString();
    for (rsColumns->MoveFirst(); !rsColumns->Eof(); rsColumns->MoveNext()) {
        const volmira::FieldValue& name = rsColumns->Fields(volmira::statements::ColumnsField::Column).Value;
        if (name.isNull() || name.toText() != strColumn)
            continue;
        const volmira::ShownColumn shown = volmira::shownColumn(*rsColumns);
        txtDatatype->showText(shown.dataType);
        txtDataDesc->showText(shown.dataDefinition);
        txtLogiDesc->showText(shown.logicalDescription);
        chkPrimary->setChecked(shown.primaryKey);
        chlForeign->setChecked(shown.foreignKey);
        txtGUILabel->showText(shown.guiLabel);
        txtGUIControl->showText(shown.guiControl);
        ShowValidValues();
        return;
    }
}

void frmMain::ShowValidValues()
{
    strSQL = volmira::statements::validValues(strArea, strTable, strColumn);
    volmira::Recordset validValues;
    validValues.Open(strSQL, *cnDict);
    QString values;
    for (; !validValues.Eof(); validValues.MoveNext()) {
        values += volmira::shownText(validValues.Fields(0).Value) + QLatin1Char('-')
                  + volmira::shownText(validValues.Fields(1).Value) + QStringLiteral("\r\n");
    }
    txtValues->showText(values);
}
