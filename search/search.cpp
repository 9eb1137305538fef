#include "mainwindow/frmmain.h"

#include "dictionary/connection.h"
#include "dictionary/error.h"
#include "dictionary/recordset.h"
#include "dictionary/statements.h"
#include "mainwindow/appearance.h"
#include "search/searchtext.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>

namespace {

using volmira::statements::SearchMode;

const QString kAllAreas = QStringLiteral("ALL");

void showInformation(QWidget* parent, const QString& title, const QString& text)
{
    volmira::appearance::showMessage(parent, QMessageBox::Information, title, text);
}

}  // namespace

void frmMain::cmdSearch_Click()
{
    if (volmira::trimBlanks(txtSearch->text()).isEmpty()) {
        showInformation(this, QStringLiteral("Volmira"), QStringLiteral("Enter text to search"));
        txtSearch->setFocus();
        return;
    }
    walk.reset();
    ResetScreen(true);
    const int domainIndex = cmbDomain->currentIndex();
    strSearchArea = domainIndex > 0 ? cmbDomain->itemText(domainIndex).toLower() : kAllAreas;
    strArea = strSearchArea;
    ShowFunctionalArea();
    RunSearch(txtSearch->text());
}

void frmMain::RunSearch(const QString& searchText)
{
    const QString text = volmira::trimBlanks(searchText);
    cmdPrevious->setEnabled(true);

    // The first selected option decides, in this order.
    const SearchMode mode = optTable->isChecked()     ? SearchMode::TableName
                            : optTblDesc->isChecked() ? SearchMode::TableDescription
                            : optColumn->isChecked()  ? SearchMode::ColumnName
                                                      : SearchMode::ColumnDescription;
    const QString sql = strSearchArea == kAllAreas ? volmira::statements::searchAllAreas(mode, text)
                                                   : volmira::statements::searchArea(mode, strArea, text);
    if (mode == SearchMode::ColumnDescription)
        cmdPrevious->setEnabled(false);

    if (!cnDict)
        throw volmira::Error(volmira::ErrorNumber::ObjectClosed, QStringLiteral("No dictionary is open."));
    volmira::Recordset found;
    found.Open(sql, *cnDict);
    clearList(lstTables);
    clearList(lstColumns);

    // A row without a table name names nothing that could be shown or selected: it is left out.
    QStringList tables;
    for (; !found.Eof(); found.MoveNext()) {
        const volmira::FieldValue& table = found.Fields(0).Value;
        if (!table.isNull())
            tables.append(table.toText());
    }
    lstTables->addItems(tables);
    lstTables->update();

    if (lstTables->count() == 0) {
        showInformation(this, QStringLiteral("Search Result"), QStringLiteral("No result found"));
        SetNavigationEnabled(false);
        return;
    }
    selectWalkTable(0);
    SetNavigationEnabled(true);
}

// Each input of the panel only makes the Search button usable again; the results stay as they are.
void frmMain::txtSearch_Change() { cmdSearch->setEnabled(true); }
void frmMain::cmbDomain_Change() { cmdSearch->setEnabled(true); }
void frmMain::optTable_Click() { cmdSearch->setEnabled(true); }
void frmMain::optColumn_Click() { cmdSearch->setEnabled(true); }
void frmMain::optTblDesc_Click() { cmdSearch->setEnabled(true); }
void frmMain::optColDesc_Click() { cmdSearch->setEnabled(true); }

// Enter searches also while the Search button is disabled: it repeats the search shown.
void frmMain::txtSearch_KeyPress(int KeyAscii)
{
    if (KeyAscii == 13)
        cmdSearch_Click();
}

// The column list's "Find Tables With This Column": the panel is set as the user would set it, a
// column-name search across all areas, and Search runs; the match walk then steps through the tables.
void frmMain::mnuFindTablesWithColumn_Click()
{
    const QListWidgetItem* column = lstColumns->currentItem();
    if (!column)
        return;
    setOption(optColumn);
    setSearchText(column->text());
    setDomainIndex(0);
    cmdSearch_Click();
}
