#include "mainwindow/frmmain.h"

#include "dictionary/recordset.h"
#include "dictionary/statements.h"
#include "mainwindow/lockedboxes.h"

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
    namespace Field = volmira::statements::ColumnsField;
    for (rsColumns->MoveFirst(); !rsColumns->Eof(); rsColumns->MoveNext()) {
        const volmira::FieldValue& name = rsColumns->Fields(Field::Column).Value;
        if (name.isNull() || name.toText() != strColumn)
            continue;
        const volmira::FieldValue& dataType = rsColumns->Fields(Field::DataType).Value;
        const volmira::FieldValue& attributes = rsColumns->Fields(Field::DataAttributes).Value;
        // A Null data type shows as empty text rather than failing.
        if (attributes.isNull())
            txtDatatype->showText(textOr(dataType, QString()));
        else
            txtDatatype->showText(textOr(dataType, QString()) + QLatin1Char('(') + attributes.toText()
                                 + QLatin1Char(')'));
        txtDataDesc->showText(textOr(rsColumns->Fields(Field::PDDefinition).Value, QString()));
        txtLogiDesc->showText(textOr(rsColumns->Fields(Field::LogicalDesc).Value, QString()));
        chkPrimary->setChecked(rsColumns->Fields(Field::PrimaryKey).Value.isTrue());
        chlForeign->setChecked(rsColumns->Fields(Field::ForeignKey).Value.isTrue());
        txtGUILabel->showText(textOr(rsColumns->Fields(Field::GUIName).Value, QStringLiteral("N/A")));
        txtGUIControl->showText(textOr(rsColumns->Fields(Field::GUIControl).Value, QStringLiteral("N/A")));
        ShowValidValues();
        return;
    }
}

void frmMain::ShowValidValues()
{
    strSQL = volmira::statements::validValues(strArea, strTable, strColumn);
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
