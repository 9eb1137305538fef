#include "mainwindow/frmmain.h"

void frmMain::cmdFirst_Click() {}
void frmMain::cmdPrevious_Click() {}
void frmMain::cmdNext_Click() {}
void frmMain::cmdLast_Click() {}
void frmMain::SelectFirstResult() {}
void frmMain::SelectLastResult() {}
void frmMain::FindNextMatch(const QString&) {}
void frmMain::FindPreviousMatch(const QString&) {}
