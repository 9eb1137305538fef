#include "mainwindow/frmmain.h"

#include "dictionary/recordset.h"
#include "mainwindow/lockedboxes.h"
#include "mainwindow/sqltext.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>

namespace {

QString textOr(const volmira::FieldValue& value, const QString& whenNull)
{
    return value.isNull() ? whenNull : value.toText();
}

}  // namespace

void frmMain::lstColumns_Click()
{
    const QListWidgetItem* selected = lstColumns->currentItem();
    strColumn = selected ? selected->text() : QString();
    for (rsColumns->MoveFirst(); !rsColumns->Eof(); rsColumns->MoveNext()) {
        const volmira::FieldValue& name = rsColumns->Fields(0).Value;
        if (name.isNull() || name.toText() != strColumn)
            continue;
        const volmira::FieldValue& dataType = rsColumns->Fields(1).Value;
        const volmira::FieldValue& attributes = rsColumns->Fields(2).Value;
        // A Null data type shows as empty text rather than failing.
        if (attributes.isNull())
            txtDatatype->showText(textOr(dataType, QString()));
        else
            txtDatatype->showText(textOr(dataType, QString()) + QLatin1Char('(') + attributes.toText()
                                 + QLatin1Char(')'));
        txtDataDesc->showText(textOr(rsColumns->Fields(4).Value, QString()));
        txtLogiDesc->showText(textOr(rsColumns->Fields(3).Value, QString()));
        chkPrimary->setChecked(rsColumns->Fields(5).Value.isTrue());
        chlForeign->setChecked(rsColumns->Fields(6).Value.isTrue());
        txtGUILabel->showText(textOr(rsColumns->Fields(8).Value, QStringLiteral("N/A")));
        txtGUIControl->showText(textOr(rsColumns->Fields(9).Value, QStringLiteral("N/A")));
        ShowValidValues();
        return;
    }
}

void frmMain::ShowValidValues()
{
    strSQL = QStringLiteral("Select Value, Description from [Values] where [Functional Area]='")
             + volmira::doubleApostrophes(strArea) + QStringLiteral("' and [Table] = '")
             + volmira::doubleApostrophes(strTable) + QStringLiteral("' and [Column] = '")
             + volmira::doubleApostrophes(strColumn) + QStringLiteral("' ");
    if (!rsDict)
        rsDict = std::make_unique<volmira::Recordset>();
    if (rsDict->isOpen())
        rsDict->Close();
    rsDict->Open(strSQL, *cnDict);
    QString values;
    for (; !rsDict->Eof(); rsDict->MoveNext()) {
        values += textOr(rsDict->Fields(0).Value, QString()) + QLatin1Char('-')
                  + textOr(rsDict->Fields(1).Value, QString()) + QStringLiteral("\r\n");
    }
    txtValues->showText(values);
}
