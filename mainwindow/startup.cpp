#include "mainwindow/frmmain.h"

void frmMain::Form_Load() {}
void frmMain::Form_Activate() {}
void frmMain::Timer1_Timer() {}
void frmMain::mnuOpen_Click() {}
void frmMain::mnuExit_Click() {}
QString frmMain::clockText() const { return {}; }
