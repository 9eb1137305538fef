#include "mainwindow/frmmain.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "mainwindow/lockedboxes.h"
#include <QPushButton>

void frmMain::ResetScreen(bool blnKeepSearch)
{
    if (!blnKeepSearch) {
        setDomainIndex(0);
        cmdClear->setEnabled(false);
        setSearchText(QString());
        setOption(optTable);
    } else {
        cmdClear->setEnabled(true);
    }
    clearList(lstTables);
    clearList(lstColumns);
    lblDomainName->setText(QStringLiteral("Functional Area"));
    lblDomain->setText(QStringLiteral("Functional Area"));
    imgDomain->setPixmap(impTemp->pixmap());
    txtDataDesc->clear();
    txtDatatype->clear();
    txtLogiDesc->clear();
    txtTblDD->clear();
    txtTblLD->clear();
    txtValues->clear();
    chkPrimary->setChecked(false);
    chlForeign->setChecked(false);
}

void frmMain::cmdClear_Click()
{
    SetNavigationEnabled(false);
    ResetScreen(false);
}
