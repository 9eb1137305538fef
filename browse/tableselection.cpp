#include "mainwindow/frmmain.h"

void frmMain::lstTables_Click() {}
void frmMain::ShowTableAttributes(const QString&) {}
