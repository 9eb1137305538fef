#include "mainwindow/frmmain.h"

#include "dictionary/connection.h"
#include "dictionary/recordset.h"
#include "dictionary/statements.h"

#include <QLabel>

void frmMain::LoadDBConnection()
{
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
