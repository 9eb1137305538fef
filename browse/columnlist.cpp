#include "mainwindow/frmmain.h"

#include "dictionary/recordset.h"
#include "mainwindow/sqltext.h"

#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QStringList>

namespace {

// Leading and trailing blanks removed; other white space is part of the text.
QString withoutOuterSpaces(const QString& text)
{
    int first = 0;
    int end = text.size();
    while (first < end && text.at(first) == QLatin1Char(' '))
        ++first;
    while (end > first && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(first, end - first);
}

}  // namespace

void frmMain::LoadTableColumns(const QString& tableName)
{
    intMatchPos = 0;
    intMatchCount = 0;
    rsColumns = std::make_unique<volmira::Recordset>();
    const QString area = volmira::doubleApostrophes(strArea);
    const QString table = volmira::doubleApostrophes(tableName);
    strSQL = QStringLiteral("Select Distinct Column,[Data Type],[Data Attributes],[Logical Desc],[PD_Definition],"
                            "[Primary Key],[Foreign Key],[Column_SeqNo],[GUI Name],[GUI Control] from Main "
                            "where [Functional Area]= '")
             + area + QStringLiteral("' and Table = '") + table + QStringLiteral("' order by [Column_SeqNo] ");

    const QString searchText = withoutOuterSpaces(txtSearch->text());
    const bool searchTextPresent = !searchText.isEmpty();
    if (searchTextPresent && optColDesc->isChecked()) {
        rsMatches = std::make_unique<volmira::Recordset>();
        rsMatches->Open(QStringLiteral("Select Distinct Column,[PD_Definition],[Column_SeqNo] from Main "
                                       "where [Functional Area]= '")
                            + area + QStringLiteral("' and Table = '") + table
                            + QStringLiteral("' and InStr([PD_Definition], '")
                            + volmira::doubleApostrophes(searchText)
                            + QStringLiteral("' ) > 0 order by [Column_SeqNo] "),
                        *cnDict);
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
        const volmira::FieldValue& column = rsColumns->Fields(0).Value;
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
