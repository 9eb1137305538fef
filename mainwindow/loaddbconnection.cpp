#include "mainwindow/frmmain.h"

#include "dictionary/connection.h"
#include "dictionary/recordset.h"
#include "dictionary/statements.h"

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
    cnDict->setConnectionString(volmira::statements::connectionString(strDBPath));
    cnDict->Open(QString(), QString());
    TAVRINVersion();
}

void frmMain::TAVRINVersion()
{
    volmira::Recordset version;
    version.Open(volmira::statements::version(), *cnDict);
    strDBVersion = version.Fields(0).Value.toText();
    lblDBVer->setText(QStringLiteral("Database Version : ") + strDBVersion);
    version.Close();
}
