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
    // The image the area's button shows.
    const auto* button = findChild<QToolButton*>(QLatin1String(area->buttonName));
    imgDomain->setPixmap(button->icon().pixmap(area->pictureSize));
}

void frmMain::LoadAreaTables()
{
    rsDict = std::make_unique<volmira::Recordset>();
    strSQL = volmira::statements::areaTables(strArea);
    rsDict->Open(strSQL, *cnDict);
    clearList(lstTables);
    QStringList tables;
    for (; !rsDict->Eof(); rsDict->MoveNext()) {
        const volmira::FieldValue& table = rsDict->Fields(0).Value;
        if (!table.isNull())  // a Null name cannot be a list item
            tables << table.toText();
    }
    lstTables->addItems(tables);
    lstTables->update();
    if (lstTables->count() > 0)
        setListIndex(lstTables, 0);
}

void frmMain::selectArea(const QString& code)
{
    ResetScreen(false);
    strArea = code;
    ShowFunctionalArea();
    LoadAreaTables();
}

void frmMain::cmdAcc_Click() { selectArea(QStringLiteral("acct")); }
void frmMain::cmdbill_Click() { selectArea(QStringLiteral("bill")); }
void frmMain::cmdcase_Click() { selectArea(QStringLiteral("case")); }
void frmMain::cmdclcl_Click() { selectArea(QStringLiteral("clcl")); }
void frmMain::cmdcoco_Click() { selectArea(QStringLiteral("coco")); }
void frmMain::cmdcrcr_Click() { selectArea(QStringLiteral("crcr")); }
void frmMain::cmdctct_Click() { selectArea(QStringLiteral("ctct")); }
void frmMain::cmdcust_Click() { selectArea(QStringLiteral("cust")); }
void frmMain::cmdetav_Click() { selectArea(QStringLiteral("etav")); }
void frmMain::cmdfawf_Click() { selectArea(QStringLiteral("fawf")); }
void frmMain::cmdthdv_Click() { selectArea(QStringLiteral("thdv")); }
void frmMain::cmdthpr_Click() { selectArea(QStringLiteral("thpr")); }
void frmMain::cmditsc_Click() { selectArea(QStringLiteral("itsc")); }
void frmMain::Cmditsp_Click() { selectArea(QStringLiteral("itsp")); }
void frmMain::cmdmcar_Click() { selectArea(QStringLiteral("mcar")); }
void frmMain::cmdmesb_Click() { selectArea(QStringLiteral("mesb")); }
void frmMain::cmdobxp_Click() { selectArea(QStringLiteral("obxp")); }
void frmMain::cmdplan_Click() { selectArea(QStringLiteral("plan")); }
void frmMain::cmdprov_Click() { selectArea(QStringLiteral("prov")); }
void frmMain::cmdsyst_Click() { selectArea(QStringLiteral("syst")); }
void frmMain::cmdtemp_Click() { selectArea(QStringLiteral("temp")); }
void frmMain::cmdtxtx_Click() { selectArea(QStringLiteral("txtx")); }
void frmMain::cmdutil_Click() { selectArea(QStringLiteral("util")); }
