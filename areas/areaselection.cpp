#include "mainwindow/frmmain.h"

#include "areas/areacatalogue.h"
#include "dictionary/recordset.h"
#include "dictionary/statements.h"

#include <QLabel>
#include <QListWidget>
#include <QStringList>
#include <QToolButton>

void frmMain::ShowFunctionalArea()
{
    const QString code = strArea.toLower();
    if (code == QLatin1String("all")) {
        lblDomainName->setText(QStringLiteral("ALL"));
        lblDomain->setText(QStringLiteral("Functional Area: ") + QStringLiteral("ALL"));
        imgDomain->setPixmap(impTemp->pixmap());
        return;
    }
    const volmira::FunctionalArea* area = volmira::findFunctionalArea(code);
    if (!area)
        return;
    const QString title = QString::fromLatin1(area->title);
    lblDomainName->setText(title);
    lblDomain->setText(QStringLiteral("Functional Area: ") + title);
    // The image the area's button shows: its picture in the room above the caption.
    const auto* button = findChild<QToolButton*>(QLatin1String(area->buttonName));
    imgDomain->setPixmap(button->icon().pixmap(button->iconSize()));
}

void frmMain::LoadAreaTables()
{
    strSQL = volmira::statements::areaTables(strArea);
    volmira::Recordset areaTables;
    areaTables.Open(strSQL, *cnDict);
    clearList(lstTables);
    QStringList tables;
    for (; !areaTables.Eof(); areaTables.MoveNext()) {
        const volmira::FieldValue& table = areaTables.Fields(0).Value;
        if (!table.isNull())  // a Null name cannot be a list item
            tables << table.toText();
    }
    lstTables->addItems(tables);
    lstTables->update();
    if (lstTables->count() > 0)
        setListIndex(lstTables, 0);
}

void frmMain::areaButton_Click(const volmira::FunctionalArea& area)
{
    ResetScreen(false);
    strArea = QString::fromLatin1(area.code);
    ShowFunctionalArea();
    LoadAreaTables();
}

void frmMain::cmdAcc_Click() { areaButton_Click(volmira::functionalAreas().front()); }
