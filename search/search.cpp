#include "mainwindow/frmmain.h"

void frmMain::cmdSearch_Click() {}
void frmMain::RunSearch(const QString&) {}
void frmMain::txtSearch_Change() {}
void frmMain::txtSearch_KeyPress(int) {}
void frmMain::cmbDomain_Change() {}
void frmMain::optTable_Click() {}
void frmMain::optColumn_Click() {}
void frmMain::optTblDesc_Click() {}
void frmMain::optColDesc_Click() {}
