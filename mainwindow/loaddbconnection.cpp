#include "mainwindow/frmmain.h"

#include "dictionary/connection.h"
#include "dictionary/recordset.h"

#include <QGuiApplication>
#include <QLabel>

namespace {

// Opening a large dictionary takes seconds: the pointer shows that the program is busy until the
// opening ends, however it ends.
struct BusyCursor final {
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace

void frmMain::LoadDBConnection()
{
    const BusyCursor busy;
    cnDict = std::make_unique<volmira::Connection>();
    if (statementObserver)
        cnDict->setStatementObserver(statementObserver);
    cnDict->setConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + strDBPath
                                + QStringLiteral(";Persist Security Info=False"));
    cnDict->Open(QString(), QString());
    TAVRINVersion();
}

void frmMain::TAVRINVersion()
{
    volmira::Recordset version;
    version.Open(QStringLiteral("Select MAX(Rels_No) from CDS_TBL_RELS_RELEASES"), *cnDict);
    strDBVersion = version.Fields(0).Value.toText();
    lblDBVer->setText(QStringLiteral("Database Version : ") + strDBVersion);
    version.Close();
}
